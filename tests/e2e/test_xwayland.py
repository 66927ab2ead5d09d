"""On a Wayland session, where windows cannot choose their places, the program runs on the
session's XWayland if there is one, unless the user has chosen a Qt platform; on native Wayland
alone it starts all the same. The session is weston without a screen; it has no keyboard or mouse,
so the program is only started, not played."""

import sys
import time

from desktop import Desktop, check, check_equal, wait_for

SETTLE = 2.0  # long enough for a window to appear, when none is expected


def main(program):
    with Desktop(window_manager="weston", accessibility=False) as desktop:
        # A display as well as a Wayland display: the program opens its windows on XWayland.
        chosen = desktop.launch([program])
        try:
            wait_for('"Nome" on XWayland', lambda: desktop.window_ids("Nome"))
        finally:
            chosen.kill()
            chosen.wait()

        # The user's own choice of platform stands, and native Wayland alone is enough to start.
        for what, variables in (("QT_QPA_PLATFORM=wayland", {"QT_QPA_PLATFORM": "wayland"}),
                                ("no DISPLAY", {"DISPLAY": None})):
            native = desktop.launch([program], **variables)
            try:
                time.sleep(SETTLE)
                check(native.poll() is None, "with %s the program ended with status %s" % (what, native.poll()))
                check_equal(desktop.window_ids("Nome"), [], "X windows titled Nome with " + what)
            finally:
                native.kill()
                native.wait()
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main(sys.argv[1])
