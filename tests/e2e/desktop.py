"""A private desktop for end-to-end tests: its own Xvfb display, the real program on it, xdotool
for the mouse and keyboard, and AT-SPI to read back what a screen reader would read.

Run the test scripts inside `dbus-run-session` with Debian's /usr/bin/python3 (for python3-gi)."""

import ctypes
import ctypes.util
import os
import re
import signal
import subprocess
import sys
import threading
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

TIMEOUT = 20.0


class TestFailure(AssertionError):
    pass


def wait_for(what, probe, timeout=TIMEOUT, interval=0.05):
    """Polls probe() until it returns something truthy and returns that; fails at the deadline."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            result = probe()
        except (gi.repository.GLib.Error, RuntimeError):
            result = None  # the accessible went away while it was being read; look again
        if result:
            return result
        if time.monotonic() > deadline:
            raise TestFailure("timed out waiting for " + what)
        time.sleep(interval)


def check(condition, message):
    if not condition:
        raise TestFailure(message)


def check_equal(actual, expected, what):
    if actual != expected:
        raise TestFailure("%s: expected %r, got %r" % (what, expected, actual))


class Desktop:
    """Starts Xvfb on a free display and the program on it; stops both, whatever happens."""

    def __init__(self, program, width=1024, height=768, locale="it_IT.UTF-8"):
        read_end, write_end = os.pipe()
        # Xvfb picks a free display number itself and writes it to the pipe.
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % (width, height),
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        check(number, "Xvfb did not start")
        self.display = ":" + number
        environment = dict(os.environ, DISPLAY=self.display, LC_ALL=locale, LANG=locale,
                           QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
        environment.pop("AT_SPI_BUS_ADDRESS", None)
        self._environment = environment
        self.program = subprocess.Popen([program], env=environment)

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def close(self):
        if self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        self._xvfb.terminate()
        self._xvfb.wait()

    def wait_for_exit(self, timeout=TIMEOUT):
        return self.program.wait(timeout=timeout)

    # Mouse and keyboard, as a person uses them.

    def xdotool(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=self._environment, check=True)

    def type(self, text):
        self.xdotool("type", "--delay", "30", text)

    def key(self, *keys):
        self.xdotool("key", "--delay", "30", *keys)

    def click(self, accessible):
        box = accessible.get_extents(Atspi.CoordType.SCREEN)
        self.xdotool("mousemove", "--sync", str(box.x + box.width // 2), str(box.y + box.height // 2))
        self.xdotool("click", "1")

    # The X server's view of the windows.

    def window_ids(self, title):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % re.escape(title)],
                               env=self._environment, capture_output=True, text=True)
        return [int(line) for line in found.stdout.split()]

    def geometry(self, window_id):
        """Position and size of a window as the X server has it: (x, y, width, height), or None
        once the window is gone."""
        found = subprocess.run(["xwininfo", "-id", str(window_id)], env=self._environment,
                               capture_output=True, text=True)
        if found.returncode != 0:
            return None
        info = found.stdout
        field = lambda name: int(re.search(r"%s:\s+(-?\d+)" % name, info).group(1))
        return (field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height"))

    def on_screen(self, title):
        """Whether a window with this title is mapped on the X server."""
        return bool(self.window_ids(title))

    def watch_windows(self):
        """Starts recording what the X server does with top-level windows; see WindowLog."""
        return WindowLog(self)

    def mapped_windows(self):
        """The ids of every top-level window that is mapped on the display."""
        tree = subprocess.run(["xwininfo", "-root", "-children"], env=self._environment,
                              capture_output=True, text=True, check=True).stdout
        mapped = []
        for window_id in re.findall(r"^\s+(0x[0-9a-f]+)", tree, re.M):
            info = subprocess.run(["xwininfo", "-id", window_id], env=self._environment,
                                  capture_output=True, text=True).stdout
            if "IsViewable" in info:
                mapped.append(window_id)
        return mapped

    def request_close(self, window_id):
        """What a window manager does on Alt+F4: a WM_DELETE_WINDOW message to the window."""
        xlib = _xlib()

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                        ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                        ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 24)]

        display = xlib.XOpenDisplay(self.display.encode())
        check(display, "cannot open " + self.display)
        try:
            event = ClientMessage()
            event.type = 33  # ClientMessage
            event.window = window_id
            event.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
            event.format = 32
            event.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
            xlib.XSendEvent(display, window_id, 0, 0, ctypes.byref(event))
            xlib.XFlush(display)
        finally:
            xlib.XCloseDisplay(display)

    # The accessibility tree, as a screen reader reads it.

    def application(self):
        def probe():
            desktop = Atspi.get_desktop(0)
            for index in range(desktop.get_child_count()):
                child = desktop.get_child_at_index(index)
                if child is not None and child.get_process_id() == self.program.pid:
                    return child
            return None
        return wait_for("the program on the accessibility bus", probe)

    def top_level(self, title, roles=None):
        """The program's showing top-level window or box with this title (and role), if any."""
        application = self.application()
        for index in range(application.get_child_count()):
            child = application.get_child_at_index(index)
            if child is not None and child.get_name() == title and is_showing(child) \
                    and (roles is None or child.get_role_name() in roles):
                return child
        return None

    def window(self, title):
        """Waits until the program shows a window with this title and returns it."""
        return wait_for('the window "%s"' % title, lambda: self.top_level(title))

    def window_gone(self, title):
        wait_for('the window "%s" to close' % title, lambda: self.top_level(title) is None)

    def message_box(self, title):
        """The open message box with this title, if any; Qt shows it as a dialog or an alert."""
        return self.top_level(title, ("dialog", "alert"))


def _xlib():
    xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XCreateSimpleWindow.restype = ctypes.c_ulong
    xlib.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                         ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return xlib


class WindowLog:
    """Every top-level window created and mapped on the display from now on, as the X server
    reports it, so that windows that live only for a moment are counted all the same."""

    def __init__(self, desktop):
        self._xev = subprocess.Popen(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
                                     env=desktop._environment, stdout=subprocess.PIPE, text=True)
        self._lines = []
        self._reader = threading.Thread(target=lambda: self._lines.extend(self._xev.stdout), daemon=True)
        self._reader.start()
        # xev reports nothing until it has connected and chosen its events, which takes a moment
        # on a busy machine. A throwaway window, never mapped, is created until xev reports one.
        xlib = _xlib()
        display = xlib.XOpenDisplay(desktop.display.encode())
        check(display, "cannot open " + desktop.display)
        try:
            root = xlib.XDefaultRootWindow(display)

            def listening():
                marker = xlib.XCreateSimpleWindow(display, root, -10, -10, 1, 1, 0, 0, 0)
                xlib.XFlush(display)
                time.sleep(0.05)
                return any("window 0x%x," % marker in line for line in list(self._lines))
            wait_for("the window log to start", listening, timeout=5)
        finally:
            xlib.XCloseDisplay(display)

    def stop(self):
        """Ends the log and returns how often a window of each geometry was mapped:
        {(x, y, width, height): count}."""
        time.sleep(0.2)
        self._xev.terminate()
        self._xev.wait()
        self._reader.join()
        output = "".join(self._lines)
        created = {}
        for window, x, y, width, height in re.findall(
                r"CreateNotify event.*?window (0x[0-9a-f]+), \((-?\d+),(-?\d+)\), width (\d+), height (\d+)",
                output, re.S):
            created[window] = (int(x), int(y), int(width), int(height))
        maps = {}
        for window in re.findall(r"MapNotify event.*?event 0x[0-9a-f]+, window (0x[0-9a-f]+)", output, re.S):
            geometry = created.get(window)
            maps[geometry] = maps.get(geometry, 0) + 1
        return maps


def is_showing(accessible):
    return accessible.get_state_set().contains(Atspi.StateType.SHOWING)


def has_state(accessible, state):
    return accessible.get_state_set().contains(state)


def descendants(accessible):
    for index in range(accessible.get_child_count()):
        child = accessible.get_child_at_index(index)
        if child is None:
            continue
        yield child
        yield from descendants(child)


def texts_in(window):
    """The texts of the labels in a window, in the order a screen reader reaches them."""
    return [text_of(node) for node in descendants(window) if node.get_role_name() == "label" and text_of(node)]


def focused_within(accessible):
    return any(has_state(node, Atspi.StateType.FOCUSED) for node in [accessible, *descendants(accessible)])


def labels_of(accessible):
    """The names of the labels that a screen reader announces for a control (its buddies)."""
    names = []
    for relation in accessible.get_relation_set():
        if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY:
            for index in range(relation.get_n_targets()):
                names.append(relation.get_target(index).get_name())
    return names


def find(window, role, name=None):
    """The first control of this role in the window, named so or labelled so; fails when there is
    none."""
    def probe():
        for node in descendants(window):
            if node.get_role_name() == role and (name is None or node.get_name() == name
                                                 or name in labels_of(node)):
                return node
        return None
    return wait_for('a %s "%s" in "%s"' % (role, name or "", window.get_name()), probe)


def text_of(accessible):
    """The text a screen reader reads for a control: its text contents, or else its name."""
    text = accessible.get_text_iface()
    if text is not None and text.get_character_count() > 0:
        return text.get_text(0, text.get_character_count())
    return accessible.get_name()


def dump(accessible, depth=0):
    """The accessibility tree below a node, one line a node, for a failing test's report."""
    lines = ["%s%s %r %r" % ("  " * depth, accessible.get_role_name(), accessible.get_name(),
                               text_of(accessible) if accessible.get_text_iface() else "")]
    for index in range(accessible.get_child_count()):
        child = accessible.get_child_at_index(index)
        if child is not None:
            lines.append(dump(child, depth + 1))
    return "\n".join(lines)


def extents(accessible):
    box = accessible.get_extents(Atspi.CoordType.SCREEN)
    return (box.x, box.y, box.width, box.height)


def play(program, *steps):
    """Runs the steps, each a function of the desktop, as one test: on a failure the program's
    accessibility tree is printed, and the program and its display are always taken down, also
    when ctest stops the test at its timeout."""
    with Desktop(program) as desktop:
        def stop(number, frame):
            desktop.close()
            raise SystemExit(128 + number)
        signal.signal(signal.SIGTERM, stop)
        try:
            for step in steps:
                step(desktop)
        except TestFailure:
            if desktop.program.poll() is None:
                print("What the program showed:\n" + dump(desktop.application()), file=sys.stderr)
            raise
    print("1 passed, 0 failed")
