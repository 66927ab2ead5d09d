"""A private desktop for end-to-end tests: its own Xvfb display, the real program on it, xdotool
for the mouse and keyboard, and AT-SPI to read back what a screen reader would read.

Run the test scripts inside `dbus-run-session` with Debian's /usr/bin/python3 (for python3-gi)."""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

import screen  # noqa: E402
import xlib  # noqa: E402

TIMEOUT = 20.0

# The window managers that a desktop can run: the command that starts one on the display (it needs
# the session bus of the test), the name it gives itself on its EWMH check window once it manages
# the screen, and its variables. KWin and xfwm4 run without compositing, as Xvfb has no GL;
# mutter composites without it.
WINDOW_MANAGERS = {
    "openbox": (["openbox", "--sm-disable"], "Openbox", {}),
    "mutter": (["mutter", "--x11", "--replace", "--sm-disable"], "Mutter", {}),
    "kwin": (["kwin_x11", "--replace"], "KWin", {"KWIN_COMPOSE": "N"}),
    "xfwm4": (["xfwm4", "--compositor=off", "--sm-client-disable"], "Xfwm4", {}),
}
# KWin 6 (Debian 13) leaves its global shortcuts, Alt+F4 among them, to kglobalacceld, which a
# Plasma session starts and the session bus no longer starts on demand; KWin 5 has them built in.
KGLOBALACCELD = "/usr/lib/x86_64-linux-gnu/libexec/kglobalacceld"


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
    """Starts Xvfb on a free display, optionally a window manager on it, and the program; stops
    them all, whatever happens. With "weston" instead, the display is the XWayland of a headless
    Wayland session, and the program chooses its Qt platform itself."""

    def __init__(self, program=None, window_manager=None, width=1024, height=768, locale="it_IT.UTF-8",
                 accessibility=True, wrapper=(), variables=None):
        self._closers = []  # connections of the test's own to the display, closed before it goes
        self._compositor = self._xvfb = self._window_manager = self._runtime = self.program = None
        self._own_windows = set()  # the window manager's
        self._helpers = []  # what the window manager's session runs beside it
        self.window_manager = window_manager
        wayland = {}
        try:
            if window_manager == "weston":
                wayland = self._start_weston(width, height)
            else:
                self._start_xvfb(width, height)
        except BaseException:
            self.close()
            raise
        environment = dict(os.environ, DISPLAY=self.display, LC_ALL=locale, LANG=locale, QT_QPA_PLATFORM="xcb")
        for variable in ("AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON"):
            environment.pop(variable, None)
        if wayland:
            # A Wayland session that also offers XWayland: the program chooses its platform itself.
            environment.update(wayland)
            environment.pop("QT_QPA_PLATFORM")
        if accessibility:
            environment["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        for name, value in (variables or {}).items():
            if value is None:
                environment.pop(name, None)
            else:
                environment[name] = value
        self._environment = environment
        # A command that runs the program, such as strace.
        self._wrapper = list(wrapper)
        try:
            if window_manager in WINDOW_MANAGERS:
                self._start_window_manager(window_manager)
            if program:
                self.program = self.start(program)
        except BaseException:
            self.close()
            raise

    def _start_xvfb(self, width, height):
        read_end, write_end = os.pipe()
        # Xvfb picks a free display number itself and writes it to the pipe. It must not reset
        # when its last client leaves, for a test may connect again right after.
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % (width, height),
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        check(number, "Xvfb did not start")
        self.display = ":" + number

    def _start_weston(self, width, height):
        """Starts weston without any screen, with XWayland; returns the Wayland session's variables."""
        runtime = self._runtime = tempfile.mkdtemp(prefix="scherzetto-weston-")
        log = os.path.join(runtime, "weston.log")
        socket = "wayland-scherzetto"
        self._compositor = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", "--xwayland", "--socket=" + socket, "--idle-time=0",
             "--width=%d" % width, "--height=%d" % height, "--log=" + log],
            env=dict(os.environ, XDG_RUNTIME_DIR=runtime), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def display():
            if not os.path.exists(log):
                return None
            with open(log) as text:
                found = re.search(r"xserver listening on display (:\d+)", text.read())
            return found and found.group(1)
        self.display = wait_for("XWayland's display in weston's log", display)
        return {"WAYLAND_DISPLAY": socket, "XDG_RUNTIME_DIR": runtime, "XDG_SESSION_TYPE": "wayland"}

    def _start_window_manager(self, name):
        check(name in WINDOW_MANAGERS, "unknown window manager " + name)
        command, check_name, variables = WINDOW_MANAGERS[name]
        # What it starts on the session bus, such as KWin's global shortcuts, needs the display.
        if self.accessible():
            subprocess.run(["dbus-update-activation-environment", "DISPLAY=" + self.display], env=self._environment,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if name == "kwin" and os.path.exists(KGLOBALACCELD) and self.accessible():
            self._helpers.append(subprocess.Popen([KGLOBALACCELD], env=self._environment,
                                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            wait_for("kglobalacceld on the session bus", lambda: bus_has_name("org.kde.kglobalaccel"))
        self._window_manager = subprocess.Popen(command, env=dict(self._environment, **variables),
                                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # A window manager has taken the screen once its EWMH check window names it.
        with xlib.Connection(self.display) as connection:
            wait_for(name + " to manage the screen", lambda: connection.window_manager() == check_name)
        # Its own windows are those that it has mapped once they stay the same for a moment.
        mapped = None
        while mapped != self._own_windows:
            mapped = self._own_windows
            self._own_windows = set()
            self._own_windows = set(self.mapped_windows())
            time.sleep(0.3)

    def start(self, program):
        """Starts the program on the display and returns its process; tests/e2e/wine.py starts
        Windows programs under Wine instead."""
        return self.launch([*self._wrapper, program])

    def launch(self, arguments, **variables):
        """Starts a program on this display with the desktop's environment, changed by variables
        (None removes one)."""
        environment = dict(self._environment, **variables)
        for name, value in variables.items():
            if value is None:
                del environment[name]
        return subprocess.Popen(arguments, env=environment)

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def on_close(self, closer):
        """Has closer() called when the desktop closes, before its X server stops."""
        self._closers.append(closer)

    def close(self):
        for closer in reversed(self._closers):
            closer()
        self._closers = []
        if self.program and self.program.poll() is None:
            for pid in self._wrapped_pids():
                os.kill(pid, signal.SIGKILL)
            self.program.kill()
            self.program.wait()
        for server in (self._window_manager, *self._helpers, self._xvfb, self._compositor):
            if server and server.poll() is None:
                server.terminate()
                server.wait()
        if self._runtime:
            shutil.rmtree(self._runtime, ignore_errors=True)

    def wait_for_exit(self, timeout=TIMEOUT):
        return self.program.wait(timeout=timeout)

    def how_it_ended(self, status):
        """The program's exit status in words."""
        if status < 0:
            return "killed by %s" % signal.Signals(-status).name
        return "with status %d" % status

    def program_pid(self):
        """The program's process id; under a wrapper, that of the wrapper's child."""
        if not self._wrapper:
            return self.program.pid
        return wait_for("the program to start", lambda: next(iter(self._wrapped_pids()), None))

    def _wrapped_pids(self):
        if not self._wrapper:
            return []
        try:
            with open("/proc/%d/task/%d/children" % (self.program.pid, self.program.pid)) as children:
                return [int(pid) for pid in children.read().split()]
        except OSError:
            return []

    def accessible(self):
        """Whether the program can be read through AT-SPI: it needs a session bus."""
        return bool(self._environment.get("DBUS_SESSION_BUS_ADDRESS"))

    # Mouse and keyboard, as a person uses them.

    def xdotool(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=self._environment, check=True)

    def type(self, text):
        self.xdotool("type", "--delay", "30", text)

    def key(self, *keys):
        self.xdotool("key", "--delay", "30", *keys)

    def click(self, accessible):
        """Clicks the middle of the control once it stays where it is, as a person clicks what
        they see: a window that its frame takes in just after it is shown, as mutter 48's frames
        do, moves with everything in it."""
        last = [None]

        def settled():
            now = extents(accessible)
            still, last[0] = now == last[0], now
            return still and now
        x, y, width, height = wait_for("%s %r to stay in place" % (role_of(accessible), accessible.get_name()), settled,
                                       interval=0.1)
        self.xdotool("mousemove", "--sync", str(x + width // 2), str(y + height // 2))
        self.xdotool("click", "1")

    # The X server's view of the windows.

    def window_ids(self, title):
        """The visible client windows with this title. A frame that carries its client's title, as
        mutter 48's frames do, drawn by a client of their own, is not one: it holds the window."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % re.escape(title)],
                               env=self._environment, capture_output=True, text=True)
        windows = [int(line) for line in found.stdout.split()]
        with xlib.Connection(self.display) as connection:
            def holds_its_namesake(window, depth=2):
                children = connection.tree(window)[1]
                return any(connection.name(child) == title or depth > 1 and holds_its_namesake(child, depth - 1)
                           for child in children)
            return [window for window in windows if not holds_its_namesake(window)]

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

    def client_area(self, title):
        """Where the X server has the client area of the program's window with this title:
        (x, y, width, height). The window manager's frame, if any, lies around it."""
        window_ids = wait_for("the X window " + title, lambda: self.window_ids(title))
        check_equal(len(window_ids), 1, "X windows titled " + title)
        x, y, width, height = self.geometry(window_ids[0])
        top = self.own_title_bar(window_ids[0])
        return (x + 1, y + 1 + top, width - 2, height - 2 - top) if top else (x, y, width, height)

    def own_title_bar(self, window_id):
        """The height of the title bar that a window draws itself where the desktop would show
        more than its caption, or 0: a child window along its top inside its one-pixel border."""
        found = subprocess.run(["xwininfo", "-children", "-stats", "-id", str(window_id)], env=self._environment,
                               capture_output=True, text=True).stdout
        width = re.search(r"Width:\s+(\d+)", found)
        bars = re.findall(r"\s(\d+)x(\d+)\+1\+1\s", found)
        return next((int(h) for w, h in bars if width and int(w) == int(width.group(1)) - 2), 0)

    def grab(self, rectangle):
        """What the screen shows in a rectangle (x, y, width, height), as an xlib.Image."""
        return screen.grab(self.display, rectangle)

    def on_screen(self, title):
        """Whether a window with this title is mapped on the X server."""
        return bool(self.window_ids(title))

    def watch_windows(self):
        """Starts recording what the X server does with top-level windows; see WindowLog."""
        return WindowLog(self)

    def mapped_windows(self):
        """The ids of every top-level window that is mapped on the display, but for the window
        manager's own."""
        tree = subprocess.run(["xwininfo", "-root", "-children"], env=self._environment,
                              capture_output=True, text=True, check=True).stdout
        mapped = []
        for window_id in re.findall(r"^\s+(0x[0-9a-f]+)", tree, re.M):
            info = subprocess.run(["xwininfo", "-id", window_id], env=self._environment,
                                  capture_output=True, text=True).stdout
            if "IsViewable" in info and window_id not in self._own_windows:
                mapped.append(window_id)
        return mapped

    def request_close(self, window_id):
        """What a window manager does on Alt+F4: a WM_DELETE_WINDOW message to the window."""
        with xlib.Connection(self.display) as connection:
            connection.send_protocol_message(window_id, "WM_DELETE_WINDOW")

    # The accessibility tree, as a screen reader reads it.

    def application(self):
        pid = self.program_pid()

        def probe():
            desktop = Atspi.get_desktop(0)
            for index in range(desktop.get_child_count()):
                child = desktop.get_child_at_index(index)
                if child is not None and child.get_process_id() == pid:
                    return child
            return None
        return wait_for("the program on the accessibility bus", probe)

    def top_level(self, title, roles=None):
        """The program's showing top-level window or box with this title (and role), if any."""
        application = self.application()
        for index in range(application.get_child_count()):
            child = application.get_child_at_index(index)
            if child is not None and child.get_name() == title and is_showing(child) \
                    and (roles is None or role_of(child) in roles):
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

    # What a person sees, in the words of the scenarios (scenarios.py), read as a screen reader
    # reads it.

    def control(self, window, role, name=None):
        return find(window, role, name)

    def text(self, control):
        """A control's text; a combo box's is the text of its editable part."""
        if role_of(control) == "combo box":
            control = find(control, "text")
        return text_of(control)

    def texts(self, window):
        return texts_in(window)

    def checked(self, control):
        return has_state(control, Atspi.StateType.CHECKED)

    def enabled(self, control):
        return has_state(control, Atspi.StateType.ENABLED)

    def focused(self, control):
        return focused_within(control)

    def close_window(self, title):
        """What the desktop does on Alt+F4 or its close button."""
        window_ids = wait_for("the X window " + title, lambda: self.window_ids(title))
        self.request_close(window_ids[0])

    def frame_of(self, client, titled=True):
        """The geometry that the window log reports for a window with this client area: the
        client area itself, even where a window manager frames it, or, where the program draws
        its own title bar, the border and title bar around it as the showing titled windows have."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."], env=self._environment,
                               capture_output=True, text=True).stdout
        top = max([self.own_title_bar(int(window_id)) for window_id in found.split()] if titled else [0])
        x, y, width, height = client
        return (x - 1, y - 1 - top, width + 2, height + 2 + top) if top else client

    def report(self):
        """What the program shows, for a failing test's report: its accessibility tree."""
        return dump(self.application()) if self.accessible() else "(no session bus to read it through)"


class WindowLog:
    """Every top-level window shown on the display from now on, as the X server reports it, so that
    windows that live only for a moment are counted all the same. Each showing is timed when its
    event arrives. With a window manager, a program's window is shown inside the frame that the
    manager reparents it into: the frame's mapping and unmapping are the window's."""

    def __init__(self, desktop):
        self._connection = xlib.Connection(desktop.display)
        self._connection.watch_top_level()
        self._root = self._connection.root
        self._events = []
        self._stopping = threading.Event()
        self._thread = threading.Thread(target=self._record, daemon=True)
        self._thread.start()
        desktop.on_close(self._finish)

    def _record(self):
        while not self._stopping.is_set():
            for event in self._connection.next_events(0.05):
                self._events.append((time.monotonic(), *event))

    def stop(self):
        """Ends the log and returns how often a window of each geometry was shown:
        {(x, y, width, height): count}."""
        time.sleep(0.2)
        self._finish()
        counts = {}
        for geometry, _, _ in self.showings():
            counts[geometry] = counts.get(geometry, 0) + 1
        return counts

    def _finish(self):
        self._stopping.set()
        self._thread.join()
        self._connection.close()

    def showings(self):
        """Each showing as (geometry at creation, time mapped, time unmapped or None). A frame
        that the window manager maps only after the program has withdrawn its window shows
        nothing of it and is no showing."""
        created, held_by, withdrawn, shown, showings = {}, {}, set(), {}, []
        latest = None
        for when, kind, window, other, x, y, width, height, synthetic in self._events:
            client = held_by.get(window, window)
            if kind == xlib.CREATE_NOTIFY:
                created[window] = (x, y, width, height)
                latest = window
            elif kind == xlib.REPARENT_NOTIFY and window in created and other != self._root:
                # KWin reparents a window into a wrapper inside the frame that it has just made.
                held_by[other if other in created else latest] = window
                withdrawn.discard(window)
            elif synthetic:
                # A program withdraws its window by unmapping it and then telling the root so.
                if kind == xlib.UNMAP_NOTIFY:
                    withdrawn.add(window)
            elif kind == xlib.MAP_NOTIFY:
                if client not in shown and not (client != window and client in withdrawn):
                    shown[client] = len(showings)
                    showings.append([created.get(client), when, None])
            elif kind in (xlib.UNMAP_NOTIFY, xlib.DESTROY_NOTIFY):
                if client in shown:
                    showings[shown.pop(client)][2] = when
        return [tuple(showing) for showing in showings]


def key_or_text(desktop, rng, log, keys, texts, typing):
    """What a monkey sends from the keyboard: a key picked from keys, or where typing a text picked
    from texts; logged for the failure's report."""
    if typing:
        text = rng.choice(texts)
        desktop.type(text)
        log.append("type %r" % text)
    else:
        key = rng.choice(keys)
        desktop.key(key)
        log.append("key " + key)


def bus_has_name(name):
    """Whether a service owns this name on the session bus."""
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                          GLib.Variant("(s)", (name,)), None, Gio.DBusCallFlags.NONE, 5000, None)
    return reply.unpack()[0]


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
    return [text_of(node) for node in descendants(window) if role_of(node) == "label" and text_of(node)]


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
            if role_of(node) == role and (name is None or node.get_name() == name
                                                 or name in labels_of(node)):
                return node
        return None
    return wait_for('a %s "%s" in "%s"' % (role, name or "", window.get_name()), probe)


def role_of(accessible):
    """The role's name as the scenarios give it, on every AT-SPI release: AT-SPI 2.56 names a push
    button's role "button", as earlier releases named it "push button"."""
    role = accessible.get_role()
    return "push button" if role == Atspi.Role.PUSH_BUTTON else accessible.get_role_name()


def text_of(accessible):
    """The text a screen reader reads for a control: its text contents, or else its name. The
    text interface's own functions are called, which the accessible's newer methods of the same
    names would shadow."""
    if accessible.get_text_iface() is not None:
        count = Atspi.Text.get_character_count(accessible)
        if count > 0:
            return Atspi.Text.get_text(accessible, 0, count)
    return accessible.get_name()


def dump(accessible, depth=0):
    """The accessibility tree below a node, one line a node, for a failing test's report."""
    lines = ["%s%s %r %r" % ("  " * depth, role_of(accessible), accessible.get_name(),
                               text_of(accessible) if accessible.get_text_iface() else "")]
    for index in range(accessible.get_child_count()):
        child = accessible.get_child_at_index(index)
        if child is not None:
            lines.append(dump(child, depth + 1))
    return "\n".join(lines)


def extents(accessible):
    box = accessible.get_extents(Atspi.CoordType.SCREEN)
    return (box.x, box.y, box.width, box.height)


def program_on_display(arguments, **options):
    """Starts the Linux program as a test script's arguments say: the program, and optionally
    --window-manager openbox; options go to the Desktop. For play()."""
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--window-manager", choices=sorted(WINDOW_MANAGERS))
    parsed = parser.parse_args(arguments)
    return lambda: Desktop(parsed.program, parsed.window_manager, **options)


def play(start, *steps):
    """Runs the steps, each a function of the desktop that start() makes (program_on_display(), or
    wine.py's WineDesktop), as one test, and returns the desktop. On a failure what the program
    showed is printed, and the program and its display are always taken down, also when ctest
    stops the test at its timeout."""
    started = []

    # ctest ends a test at its timeout with SIGTERM: the desktop goes at once, and unwinding from
    # here takes down whatever it was starting.
    def stop(number, frame):
        for desktop in started:
            desktop.close()
        raise SystemExit(128 + number)
    signal.signal(signal.SIGTERM, stop)
    with start() as desktop:
        started.append(desktop)
        step = None
        try:
            for step in steps:
                step(desktop)
        except TestFailure as failure:
            status = desktop.program.poll()
            if status is None:
                print("What the program showed:\n" + desktop.report(), file=sys.stderr)
            elif status != 0:
                ended = "the program ended " + desktop.how_it_ended(status)
                message = str(failure) if str(failure).startswith(ended) else "%s: %s" % (ended, failure)
                raise TestFailure("%s, in the step %s" % (message, getattr(step, "__name__", step))) from failure
            raise
    print("1 passed, 0 failed")
    return desktop
