"""The program takes no command line: options that Qt programs usually obey (-geometry, -reverse,
-style, -platform) leave it as it is. "Nome" opens at its place, its labels stand left of their
boxes, and it ends from the desktop with status 0."""

import sys

import layouts
from desktop import Desktop, check, check_equal, extents, find

OPTIONS = ["-geometry", "+0+0", "-reverse", "-style", "windows", "-platform", "offscreen", "--help"]


def main(program):
    with Desktop() as desktop:
        desktop.program = desktop.launch([program, *OPTIONS])
        nome = desktop.window("Nome")
        check_equal(desktop.client_area("Nome"), layouts.window("Nome"), "position and size of Nome")
        label, box = find(nome, "label", "Nome:"), find(nome, "text", "Nome:")
        check(extents(label)[0] < extents(box)[0], "the label stands left of its box, not mirrored")
        desktop.close_window("Nome")
        check_equal(desktop.wait_for_exit(), 0, "exit status")
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main(sys.argv[1])
