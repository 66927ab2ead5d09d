"""Windows programs under Wine on a private desktop, for end-to-end tests: a fresh Wine prefix in a
temporary folder, its own Xvfb display (from desktop.py), the program under test, the inspector
(uiread/uiread.cpp) to read its windows as UI automation would, and xdotool for the mouse
and keyboard.

Wine draws each top-level window as an X window of its own. Its X11 driver is set to unmanaged
windows, so that no window manager is needed and every X window sits at the screen coordinates
that the inspector reports: a click on the middle of a control's rectangle lands on the control.

Run the test scripts with Debian's /usr/bin/python3 (desktop.py imports python3-gi)."""

import glob
import json
import os
import shutil
import subprocess
import tempfile
import time

from desktop import Desktop, TestFailure, check, wait_for

# Debian's wine64 package puts the loader and the server outside the PATH.
WINE = shutil.which("wine64") or "/usr/lib/wine/wine64"
WINESERVER = shutil.which("wineserver") or "/usr/lib/wine/wineserver"
WINE_FONTS = "/usr/share/wine/fonts"  # from fonts-wine

# A fresh prefix takes several seconds to create, more on a busy machine.
PREFIX_TIMEOUT = 120


class WineDesktop(Desktop):
    """Starts Xvfb, a fresh Wine prefix on it and the Windows program in that prefix; stops them
    all and removes the prefix, whatever happens. `timings` says how long the prefix took to
    create and the program to show its first window.

    `dpi` is the display's density, as Windows' display scale sets it (96 at 100 %, 144 at
    150 %...); the screen grows with it, as a laptop's at that scale shows 1024 by 768 pixels of
    96 dpi."""

    def __init__(self, program, inspector, dpi=96, **options):
        self._inspector = inspector
        self.dpi = dpi
        options.setdefault("width", 1024 * dpi // 96)
        options.setdefault("height", 768 * dpi // 96)
        self.name, self._program = os.path.basename(program), program
        self.timings = {}
        for path in (program, inspector):
            check(os.path.isfile(path), "there is no %s; scripts/build-windows builds it" % path)
        self._folder = tempfile.mkdtemp(prefix="scherzetto-wine-")
        # Wine's own debugging output stays off; the installers of Mono and Gecko, which wineboot
        # would offer in a dialog, are never asked for; and no menu entry or file association
        # reaches the desktop. The prefix's home folder is the temporary one, so that nothing of
        # the run lands in the user's.
        self._wine = {"WINEPREFIX": os.path.join(self._folder, "prefix"), "WINEARCH": "win64",
                      "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml=,winemenubuilder.exe=d",
                      "HOME": self._folder}
        try:
            super().__init__(program, **options)
        except BaseException:
            self._stop_wine()
            self._remove_prefix()
            raise

    def start(self, program):
        for variable in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"):
            self._environment.pop(variable, None)
        self._environment.update(self._wine)
        started = time.monotonic()
        os.mkdir(self._wine["WINEPREFIX"])
        # A server that stays up until close() serves wineboot, the program and every
        # inspection, instead of starting again for each.
        subprocess.run([WINESERVER, "-p"], env=self._environment, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Wine 8 once failed to load its own kernel32 in a new prefix, in 0.4 s, on a loaded
        # machine: wineboot is given a second attempt, which finishes the prefix.
        self.wine("wineboot", "--init", timeout=PREFIX_TIMEOUT, attempts=2)
        self.wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f", attempts=3)
        # A program that crashes, or stops at a sanitizer's trap, ends at once, as Windows ends it
        # without a debugger, rather than wait in Wine's crash dialog.
        self.wine("reg", "add", r"HKCU\Software\Wine\WineDbg", "/v", "ShowCrashDialog", "/t", "REG_DWORD", "/d", "0",
                  "/f", attempts=3)
        # The density that Windows' display scale sets, which Wine reads when a program starts.
        self.wine("reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                  "/d", str(self.dpi), "/f", attempts=3)
        if self.dpi != 96:
            # Wine 10 gives each monitor the density that the system had when the server set the
            # monitors up, at wineboot: the server starts again to set them up at the new one, as
            # Windows asks a user to sign out and in again after a change of scale.
            self._stop_wine()
            subprocess.run([WINESERVER, "-w"], env=self._environment, stderr=subprocess.DEVNULL)
            subprocess.run([WINESERVER, "-p"], env=self._environment, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Debian's Wine looks for its own fonts (Tahoma, and Marlett, which draws check marks and
        # arrows) in a folder that it cannot resolve; in the prefix's Fonts folder it finds them.
        fonts = os.path.join(self._wine["WINEPREFIX"], "drive_c", "windows", "Fonts")
        for font in glob.glob(os.path.join(WINE_FONTS, "*.ttf")):
            os.symlink(font, os.path.join(fonts, os.path.basename(font)))
        self.timings["prefix"] = time.monotonic() - started
        self._started = time.monotonic()
        return subprocess.Popen([WINE, program], env=self._environment, stdout=subprocess.DEVNULL)

    def start_again(self):
        """Starts the program once more in the same prefix, once it has ended."""
        self.program = subprocess.Popen([WINE, self._program], env=self._environment, stdout=subprocess.DEVNULL)

    def wine(self, *command, timeout=60, attempts=1):
        """Runs a Windows program of the prefix to its end; returns its standard output (bytes).
        The output goes through a file, not a pipe: the processes that Wine starts on the side,
        such as its device manager, would inherit a pipe and keep it open. Setting up a fresh
        prefix, Wine's reg now and then fails once without a word while the prefix's services
        are still starting; such a command is given more attempts."""
        for attempt in range(attempts):
            with tempfile.TemporaryFile() as output, tempfile.TemporaryFile() as errors:
                done = subprocess.run([WINE, *command], env=self._environment, stdout=output, stderr=errors,
                                      timeout=timeout)
                output.seek(0)
                errors.seek(0)
                if done.returncode == 0:
                    return output.read()
                if attempt + 1 == attempts:
                    raise RuntimeError("wine %s ended with %d: %s" % (" ".join(command), done.returncode,
                                                                       errors.read().decode(errors="replace")))
            time.sleep(0.5)

    def close(self):
        """Takes Wine, the program and the display down, also when the program never started."""
        self._stop_wine()
        try:
            if self.program is not None:
                self.program.wait(timeout=10)
        except subprocess.TimeoutExpired:
            pass
        finally:
            super().close()
            self._remove_prefix()

    def _stop_wine(self):
        """Ends the server, which takes every process of the prefix with it, the program included."""
        subprocess.run([WINESERVER, "-k"], env=dict(os.environ, **self._wine), stderr=subprocess.DEVNULL)

    def _remove_prefix(self):
        shutil.rmtree(self._folder, ignore_errors=True)

    # What the program shows, as the inspector reads it.

    def inspect(self):
        """Every top-level window of the program, topmost first, with its controls (see
        uiread/uiread.cpp), and which window is in the foreground."""
        output = self.wine(self._inspector, self.name)
        return json.loads(output.decode("utf-8"))

    def report(self):
        """What the program shows, for a failing test's report: its windows and controls."""
        return dump(self.inspect()["windows"])

    def windows(self):
        """The program's visible top-level windows, topmost first. A program that has ended other
        than with status 0 fails the test at once, rather than after a wait for its windows."""
        status = self.program.poll()
        if status not in (None, 0):
            raise TestFailure("the program ended " + self.how_it_ended(status))
        return [window for window in self.inspect()["windows"] if window["visible"]]

    def how_it_ended(self, status):
        """Wine ends with the low byte of the Windows program's exit code, which for a crash is
        the exception's status."""
        return "with status %d%s" % (status, CRASHES.get(status, ""))

    def top_level(self, caption):
        return next((window for window in self.windows() if window["caption"] == caption), None)

    def window(self, caption):
        """Waits until the program shows a window with this caption and returns it."""
        window = wait_for('the window "%s"' % caption, lambda: self.top_level(caption))
        self.timings.setdefault("first window", time.monotonic() - self._started)
        return window

    def window_gone(self, caption):
        wait_for('the window "%s" to close' % caption, lambda: self.top_level(caption) is None)

    # What a person sees, in the words of the scenarios (scenarios.py), read as UI automation
    # reads it. A text or combo box is named by the label just before it among its window's
    # controls, as Windows' screen readers name it.

    def current(self, window):
        """The window as it is now, found by its handle, or None once it is gone."""
        return next((item for item in self.windows() if item["handle"] == window["handle"]), None)

    def control(self, window, role, name=None):
        caption = window["caption"]

        def probe():
            current = self.current(window)
            siblings = [item for item in current["controls"] if item["visible"]] if current else []
            for index, item in enumerate(siblings):
                label = siblings[index - 1] if index > 0 and siblings[index - 1]["class"] == "Static" else None
                if has_role(item, role) and (name is None or item["text"] == name or (
                        role in ("text", "combo box") and label and label["text"] == name)):
                    return dict(item, window=window)
            return None
        return wait_for('a %s "%s" in "%s"' % (role, name or "", caption), probe)

    def fresh(self, control):
        """The control as it is now."""
        window = self.current(control["window"])
        found = window and next((item for item in controls_of(window) if item["handle"] == control["handle"]), None)
        check(found, "the control %r is gone" % control["text"])
        return found

    def text(self, control):
        return self.fresh(control)["text"]

    def texts(self, window):
        current = self.current(window) or window
        return [item["text"] for item in controls_of(current) if item["class"] == "Static" and item["text"]]

    def checked(self, control):
        return self.fresh(control).get("check") == 1

    def enabled(self, control):
        return self.fresh(control)["enabled"]

    def focused(self, control):
        current = self.fresh(control)
        return current["focused"] or any(item["focused"] for item in controls_of(current))

    def message_box(self, title):
        return next((window for window in self.windows()
                     if window["caption"] == title and window["class"] == "#32770"), None)

    def client_area(self, title):
        return tuple(self.window(title)["client"])

    def close_window(self, title):
        """Alt+F4 on the window, which must be the one that takes input, as a person does it."""
        window = self.window(title)
        wait_for(title + " active", lambda: self.inspect()["foreground"] == window["handle"])
        self.key("alt+F4")

    def frame_of(self, client, titled=True):
        """The X window that Wine makes for a window with this client area covers its whole frame,
        which Wine draws itself: as wide around the client area as around that of any titled
        window of the program."""
        if not titled:
            return client
        window = next(window for window in self.windows() if window["caption"] and window["class"] != "#32770")
        (x, y, width, height), (cx, cy, cwidth, cheight) = window["rect"], window["client"]
        left, top = client[0] - (cx - x), client[1] - (cy - y)
        return (left, top, client[2] + width - cwidth, client[3] + height - cheight)

    # Mouse and keyboard, as a person uses them.

    def type(self, text):
        # xdotool reads its text in its own locale, which must exist: the program's it_IT.UTF-8
        # may not be installed, C.UTF-8 always is. Wine receives the accented letters all the same.
        subprocess.run(["xdotool", "type", "--delay", "30", "--", text], env=dict(self._environment, LC_ALL="C.UTF-8"),
                       check=True)

    def click(self, item):
        """Clicks the middle of a control or window as the inspector reported it."""
        x, y, width, height = item["rect"]
        self.xdotool("mousemove", "--sync", str(x + width // 2), str(y + height // 2))
        self.xdotool("click", "1")


# What a Windows program's exit status says when an exception ended it, as Wine passes it on: the
# low byte of the exception's code.
CRASHES = {0x1D: " (STATUS_ILLEGAL_INSTRUCTION: a trap, such as UndefinedBehaviorSanitizer's)",
           0x05: " (STATUS_ACCESS_VIOLATION)", 0xFD: " (STATUS_STACK_OVERFLOW)", 0x03: " (STATUS_BREAKPOINT)"}

# The kinds of Button that Windows' button styles make (BS_TYPEMASK).
BUTTON_KINDS = {"push button": {0, 1}, "check box": {2, 3, 5, 6}, "radio button": {4, 9}}
CLASSES = {"text": "Edit", "combo box": "ComboBox", "label": "Static"}


def has_role(control, role):
    if role in BUTTON_KINDS:
        return control["class"] == "Button" and control["style"] & 0xF in BUTTON_KINDS[role]
    return control["class"] == CLASSES[role]


def controls_of(window):
    """Every control in a window, its children's children included, topmost first."""
    for control in window["controls"]:
        yield control
        yield from controls_of(control)


def dump(windows):
    """The windows and controls that the inspector read, one line each, for a failing test's report."""
    lines = []

    def add(item, depth):
        lines.append("%s%s %r %s%s" % ("  " * depth, item["class"], item.get("caption", item.get("text")),
                                       item["rect"], "" if item["visible"] else " hidden"))
        for control in item["controls"]:
            add(control, depth + 1)
    for window in windows:
        add(window, 0)
    return "\n".join(lines)
