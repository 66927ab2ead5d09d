"""A monkey plays with the real program on a private display: random clicks in and around its
windows, keys, typed text (accents, characters beyond the Basic Multilingual Plane, control
characters, texts grown to the longest a text box takes) and requests to close its windows, with or
without a window manager. Whatever it does, the program either keeps answering or ends with status
0: never a crash, a sanitizer report, another exit status or a hang.

    monkey.py PROGRAM [--seed N ...] [--seconds S] [--wm openbox]

Each seed plays for S seconds in runs of the program of at most ten seconds. A run starts at a
window picked at random, which it reaches by pressing "Successivo" as often as needed (or "Esci",
into the finale); when its time is up, its windows are closed until the program ends, so that a
sanitizer build also checks for leaks. The liveness probe is the ping that window managers use to
find hung programs (_NET_WM_PING), answered by the program's event loop. The seed is printed at the
start and with any failure; `--seed N` replays the same stream of choices, although the program's
timing may make it land differently. The number of events sent is printed per run and per seed.

Run it inside `dbus-run-session` with Debian's /usr/bin/python3, like the other end-to-end tests."""

import argparse
import collections
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from gi.repository import GLib

import xlib
from desktop import Atspi, Desktop, TestFailure, descendants, find, has_state, is_showing, role_of

# A live program answers a ping at once; one that has not answered within this long is hung.
HANG_TIMEOUT = 5.0
PING_INTERVAL = 1.0
# Each run of the program lasts this long at most, then its windows are closed.
RUN_SECONDS = 10.0
# Winding down: how long closing the windows one by one may take to end the program.
WIND_DOWN_TIMEOUT = 30.0

# Keys that move through and press controls come more often, as with a person.
KEYS = ["Tab", "Tab", "Tab", "shift+Tab", "space", "space", "Return", "KP_Enter", "Escape", "alt+F4", "Up", "Down",
        "Left", "Right", "Page_Up", "Page_Down", "Home", "End", "BackSpace", "Delete", "ctrl+a", "ctrl+z", "ctrl+v",
        "alt+Tab", "F1", "F4", "Menu", "alt+s"]

# Parts of dates, accents, characters beyond the Basic Multilingual Plane, other scripts, a
# right-to-left override, zero-width characters, control characters and format directives.
TEXTS = ["Mario", "Rossi", "15", "marzo", "Febbraio", "29", "31", "1984", "1900", "2000", "0", "-1", "99999",
         "Niccol\u00f2 D'Al\u00ec", "\u00e0\u00e8\u00e9\u00ec\u00f2\u00f9 \u00c0\u00c8\u00c9",
         "\u00df\u00f1\u00e7\u00c6\u0153", "\U0001f600\U0001f382", "\U0001d11e \U00010348", "\u65e5\u672c\u8a9e",
         "\u202eotnezrehcS\u202c", "\u200b\u200d\ufeff", "\t", "\n", "\x01\x02\x1b\x7f", "%s%n%x", "'\"\\<>&"]
# The windows of the questionnaire in order, each with the button that leads on.
ROAD = [("Nome", "Successivo"), ("Data di nascita", "Successivo"), ("Sesso", "Successivo"),
        ("Interessi", "Successivo"), ("Dati", "Esci")]
CONTROL_ROLES = ("push button", "check box", "radio button", "combo box", "text", "list item", "menu item")
# Characters of generated texts: what a person types and what a person may paste.
ALPHABET = ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 /.-"
            "\u00e0\u00e8\u00e9\u00ec\u00f2\u00f9\u00c0\u00c8\U0001f600\U0001d11e\t\x01\x7f")


def open_desktop(program, wm, scratch):
    """A Desktop with the program on it and, when asked for, a window manager started before the
    program, as on a person's desktop. Returns (desktop, None): the desktop stops its window
    manager itself."""
    return Desktop(program, window_manager=wm), None


class Tally:
    """The events sent with one seed, over all its runs."""
    events = 0


class Monkey:
    """Plays with one run of the program: one random event at a time."""

    def __init__(self, desktop, display, rng, log, tally, verbose):
        self.desktop = desktop
        self.display = display
        self.rng = rng
        self.log = log
        self.tally = tally
        self.verbose = verbose
        self._windows = []
        self._windows_read = 0.0
        self._application = None
        self._token = 0

    def window_ids(self, visible=True):
        """The program's top-level windows, message boxes and pop-ups, bottom first: those that are
        on screen, or all of them, also those that a window manager has hidden (on another
        desktop, iconified, shaded)."""
        found = subprocess.run(["xdotool", "search", *(["--onlyvisible"] if visible else []), "--pid",
                                str(self.desktop.program.pid)],
                               env=self.desktop._environment, capture_output=True, text=True, timeout=60)
        return self.stacked([int(line) for line in found.stdout.split()])

    def stacked(self, window_ids):
        """The windows in the order the screen stacks them, bottom first. A window manager puts each
        window in a frame of its own, so it is the frames' places among the root's children that
        count."""
        places = {window: place for place, window in enumerate(self.display.tree(self.display.root)[1])}

        def place(window_id):
            while window_id and window_id not in places:
                window_id = self.display.parent(window_id)
            return places.get(window_id, -1)
        return sorted(window_ids, key=place)

    def windows(self):
        """[(window id, geometry)], read again at most every quarter of a second."""
        if time.monotonic() - self._windows_read > 0.25:
            self._windows = [(window_id, self.display.geometry(window_id)) for window_id in self.window_ids()]
            self._windows = [(window_id, box) for window_id, box in self._windows if box]
            self._windows_read = time.monotonic()
        return self._windows

    def target(self):
        """A window to play with: the topmost one, which takes input, half of the time."""
        windows = self.windows()
        if not windows:
            return None
        return windows[-1] if self.rng.random() < 0.5 else self.rng.choice(windows)

    def point(self, margin=0):
        """A point inside a window, or up to `margin` pixels around it."""
        window = self.target()
        if window is None:
            return self.rng.randrange(1024), self.rng.randrange(768)
        x, y, width, height = window[1]
        return (self.rng.randrange(x - margin, x + width + margin),
                self.rng.randrange(y - margin, y + height + margin))

    def text(self):
        if self.rng.random() < 0.6:
            return self.rng.choice(TEXTS)
        return "".join(self.rng.choice(ALPHABET) for _ in range(self.rng.randrange(1, 16)))

    # The events. Each is one gesture of a person, sent as it would come from the mouse or keyboard.

    def press(self, button, x, y, times=1):
        self.display.move(x, y)
        for _ in range(times):
            self.display.button(button, True)
            self.display.button(button, False)

    def click(self):
        x, y = self.point()
        self.press(1, x, y)
        return "click at %d,%d" % (x, y)

    def click_around(self):
        x, y = self.point(margin=40)
        self.press(1, x, y)
        return "click around at %d,%d" % (x, y)

    def other_button(self):
        x, y = self.point()
        button, times = self.rng.choice([(1, 2), (3, 1), (2, 1), (4, 1), (5, 1), (4, 3), (5, 3)])
        self.press(button, x, y, times)
        return "button %d %d times at %d,%d" % (button, times, x, y)

    def drag(self):
        (x, y), (x2, y2) = self.point(), self.point(margin=100)
        self.display.move(x, y)
        self.display.button(1, True)
        for step in range(1, 5):
            self.display.move(x + (x2 - x) * step // 4, y + (y2 - y) * step // 4)
        self.display.button(1, False)
        return "drag from %d,%d to %d,%d" % (x, y, x2, y2)

    def key(self):
        if self.rng.random() < 0.2:
            key = self.rng.choice("abcdefghijklmnopqrstuvwxyz0123456789")
        else:
            key = self.rng.choice(KEYS)
        self.display.key(key)
        return "key " + key

    def type(self):
        """Types a text with xdotool, which lends characters missing from the keyboard map a spare
        key. It waits between keys so that the program reads each key before its meaning changes."""
        text = self.text()
        subprocess.run(["xdotool", "type", "--delay", "30", "--", text], timeout=60, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, env=dict(self.desktop._environment, LC_ALL="C.UTF-8"))
        return "type %r" % text

    def grow(self):
        """Doubles the focused text four times over with copy and paste: after a few times it is as
        long as a text box takes (32767 characters)."""
        for key in ("ctrl+a", "ctrl+c", "ctrl+v", "ctrl+v", "ctrl+v", "ctrl+v"):
            self.display.key(key)
        return "grow the text sixteenfold"

    def click_control(self):
        """Clicks the middle of a control of the active window, found as a screen reader finds it,
        so that the monkey gets past the first windows as often as a person does."""
        controls = []
        try:
            for window in self.accessible_windows():
                if has_state(window, Atspi.StateType.ACTIVE):
                    controls = [node for node in descendants(window) if role_of(node) in CONTROL_ROLES]
            box = self.rng.choice(controls).get_extents(Atspi.CoordType.SCREEN) if controls else None
        except GLib.Error:
            box = None  # the window went away while it was being read
        if box is None:
            return self.click()
        x, y = box.x + box.width // 2, box.y + box.height // 2
        self.press(1, x, y)
        return "click on a control at %d,%d" % (x, y)

    def accessible_windows(self):
        if self._application is None:
            desktop = Atspi.get_desktop(0)
            for index in range(desktop.get_child_count()):
                child = desktop.get_child_at_index(index)
                if child is not None and child.get_process_id() == self.desktop.program.pid:
                    self._application = child
        if self._application is None:
            return []
        children = [self._application.get_child_at_index(i) for i in range(self._application.get_child_count())]
        return [child for child in children if child is not None and is_showing(child)]

    def close(self):
        """Asks the topmost window to close, as a window manager does on Alt+F4."""
        windows = self.windows()
        if not windows:
            return "close nothing"
        self.display.send_protocol_message(windows[-1][0], "WM_DELETE_WINDOW")
        return "close request to 0x%x" % windows[-1][0]

    ACTIONS = [(click, 20), (click_control, 12), (click_around, 5), (other_button, 6), (drag, 3), (key, 30),
               (type, 14), (grow, 3), (close, 2)]

    def play_one(self):
        action = self.rng.choices([a for a, _ in self.ACTIONS], weights=[w for _, w in self.ACTIONS])[0]
        self.log.append(action(self))
        if self.verbose:
            print(self.log[-1], flush=True)
        self.tally.events += 1
        # A person's pace, roughly: the program gets to handle each gesture before the next.
        time.sleep(0.02)

    def advance(self, steps):
        """Walks forward through `steps` windows as a person in a hurry does, pressing each one's
        button, so that the play starts deeper in the program: up to the summary or into the finale."""
        following = [title for title, _ in ROAD[1:]] + ["Fatal Error"]
        for (title, button), next_title in zip(ROAD[:steps], following):
            # Pressed through the accessibility interface, which needs no window in its place yet.
            Atspi.Action.do_action(find(self.desktop.window(title), "push button", button), 0)
            self.log.append("press %s in %s" % (button, title))
            self.desktop.window(next_title)

    def check_answers(self):
        """Fails unless the program answers a ping within HANG_TIMEOUT or has ended."""
        deadline = time.monotonic() + HANG_TIMEOUT
        while self.desktop.program.poll() is None:
            window_ids = self.window_ids(visible=False)
            self._token = self._token % 0x7fffffff + 1
            if window_ids and self.display.ping(window_ids, self._token, timeout=0.5):
                return
            if time.monotonic() > deadline:
                raise TestFailure("the program answered no ping for %.0f s: it hangs" % HANG_TIMEOUT)
            if not window_ids:
                time.sleep(0.1)

    def wind_down(self):
        """Closes the program's windows from the desktop, the topmost first, until the program ends;
        a message box or menu that a close leaves behind is dismissed the same way."""
        deadline = time.monotonic() + WIND_DOWN_TIMEOUT
        while self.desktop.program.poll() is None:
            if time.monotonic() > deadline:
                raise TestFailure("the program did not end once its windows were closed")
            self.check_answers()
            # Every window is asked, also those that a window manager hides: a window beneath a
            # modal one ignores the request, so each round closes at least the topmost.
            window_ids = self.window_ids(visible=False)
            for window_id in reversed(window_ids):
                self.display.send_protocol_message(window_id, "WM_DELETE_WINDOW")
            self.log.append("wind down: close request to %d windows" % len(window_ids))
            time.sleep(0.2)


def check_ended_well(desktop):
    status = desktop.program.poll()
    if status is not None and status != 0:
        raise TestFailure("the program ended with status %d" % status)
    return status is not None


def print_state(desktop):
    """What a failing run leaves to look at: the program's windows and, if it still runs and gdb
    is at hand, where each of its threads is."""
    names = subprocess.run("for w in $(xdotool search --onlyvisible --pid %d); do xdotool getwindowname $w; done"
                           % desktop.program.pid, shell=True, env=desktop._environment, capture_output=True,
                           text=True).stdout.split("\n")
    print("monkey: the program's windows: %s" % ", ".join(repr(name) for name in names if name), file=sys.stderr)
    if desktop.program.poll() is None and shutil.which("gdb"):
        subprocess.run(["gdb", "-p", str(desktop.program.pid), "-batch", "-ex", "thread apply all bt"],
                       stdout=sys.stderr, stderr=subprocess.DEVNULL, timeout=120)


def play_run(program, wm, monkey_state, seconds):
    """One run of the program, started at a window picked at random, played with for `seconds` or
    until it ends, then wound down. Returns a line that tells how it went."""
    with tempfile.TemporaryDirectory() as scratch:
        desktop, manager = open_desktop(program, wm, scratch)
        display = None
        try:
            # The monkey's own connection to the X server. Windows may vanish at any moment while
            # it plays; xlib ignores the X errors about them.
            display = xlib.Connection(desktop.display)
            display.watch_pings()
            monkey = Monkey(desktop, display, *monkey_state)
            steps = monkey.rng.randrange(len(ROAD) + 1)
            monkey.advance(steps)
            deadline = time.monotonic() + seconds
            next_ping = time.monotonic() + PING_INTERVAL
            while time.monotonic() < deadline and not check_ended_well(desktop):
                monkey.play_one()
                if time.monotonic() > next_ping:
                    monkey.check_answers()
                    next_ping = time.monotonic() + PING_INTERVAL
            ended = "it ended with status 0"
            if not check_ended_well(desktop):
                monkey.wind_down()
                check_ended_well(desktop)
                ended = "its windows closed, it ended with status 0"
            return "from %s, %s" % (ROAD[steps][0] if steps < len(ROAD) else "the finale", ended)
        except TestFailure:
            print_state(desktop)
            raise
        finally:
            if display:
                display.close()
            if manager:
                manager.terminate()
                manager.wait()
            desktop.close()


def play_seed(program, seed, seconds, wm, verbose):
    """Plays with the program for `seconds`, in runs of at most RUN_SECONDS; returns the number of
    events sent."""
    tally = Tally()
    monkey_state = (random.Random(seed), collections.deque(maxlen=25), tally, verbose)
    deadline = time.monotonic() + seconds
    runs = 0
    try:
        while time.monotonic() < deadline - 2:
            runs += 1
            before = tally.events
            how = play_run(program, wm, monkey_state, min(RUN_SECONDS, deadline - time.monotonic()))
            print("monkey: run %d: %d events %s" % (runs, tally.events - before, how), flush=True)
        return tally.events
    except TestFailure as failure:
        print("monkey: seed %d failed in run %d after %d events: %s\nLast events:\n  %s\nReplay: %s %s --seed %d%s"
              % (seed, runs, tally.events, failure, "\n  ".join(monkey_state[1]), sys.argv[0], program, seed,
                 " --wm " + wm if wm else ""), file=sys.stderr, flush=True)
        raise


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program")
    parser.add_argument("--seed", type=int, nargs="+", default=[random.randrange(1 << 31)])
    parser.add_argument("--seconds", type=float, default=20)
    parser.add_argument("--window-manager", "--wm", dest="wm", choices=["openbox"],
                        help="a window manager to run")
    parser.add_argument("--verbose", action="store_true", help="print every event")
    arguments = parser.parse_args()

    def stop(number, frame):
        raise SystemExit(128 + number)  # leaves through the Desktop's with-block, which cleans up
    signal.signal(signal.SIGTERM, stop)

    total = 0
    for seed in arguments.seed:
        print("monkey: seed %d, %g s, %s" % (seed, arguments.seconds, arguments.wm or "no window manager"),
              flush=True)
        events = play_seed(arguments.program, seed, arguments.seconds, arguments.wm, arguments.verbose)
        print("monkey: seed %d sent %d events" % (seed, events), flush=True)
        total += events
    print("monkey: %d events, no crash, no hang" % total)


if __name__ == "__main__":
    try:
        main()
    except TestFailure:
        sys.exit(1)
