"""A monkey on the Windows program under Wine, through the player of the Windows scenarios
(wine.py): random clicks in and around its windows and boxes, keys and typed texts, at every stage
of the joke, each run starting at a window picked at random and reached by pressing its buttons.
After every action a window or box of the program takes input, or the program has ended with
status 0; a crash or a sanitizer's trap fails at once.

    wine_monkey.py WINDOWS_BUILD_DIRECTORY [--seed N ...] [--seconds S]

A failure prints its seed, the last actions and the command that replays it; the same seed gives
the same stream of choices, although the program's timing may make it land differently."""

import argparse
import os
import random
import sys
import time

from desktop import TestFailure, key_or_text, wait_for
from wine import WineDesktop

ROAD = ["Nome", "Data di nascita", "Sesso", "Interessi", "Dati"]
KEYS = ["Tab", "Tab", "shift+Tab", "Return", "space", "space", "Escape", "Up", "Down", "alt+Down", "alt+F4", "F4",
        "BackSpace", "ctrl+a", "Home", "End"]
TEXTS = ["Mario", "31", "Febbraio", "1985", "29/02/1900", "\u00e0\u00e8\u00ec\u00f2", "", "99999", "-1", "'\"\\%s"]
# How long the program may take, after an action, to show a window that takes input again.
SETTLE = 5.0


def state(desktop):
    """"ended N" once the program has ended, "running" while one of its windows or boxes takes
    input, "stuck" otherwise."""
    status = desktop.program.poll()
    if status is not None:
        return "ended %d" % status
    try:
        return "running" if any(window["enabled"] for window in desktop.windows()) else "stuck"
    except TestFailure:
        return "ended %d" % desktop.program.poll()


def play(desktop, rng, log, deadline):
    """One run of the program, from a stage picked at random, until it ends or the time is up,
    when it is left running."""
    for title in ROAD[:rng.randrange(len(ROAD) + 1)]:
        desktop.click(desktop.control(desktop.window(title), "push button", "Esci" if title == "Dati" else "Successivo"))
        log.append("press on in " + title)
    while time.monotonic() < deadline:
        now = wait_for("a window that takes input, or the end",
                       lambda: (lambda found: found != "stuck" and found)(state(desktop)), timeout=SETTLE)
        if now != "running":
            if now != "ended 0":
                raise TestFailure("the program %s" % now)
            return now
        choice = rng.random()
        if choice < 0.45:
            windows = desktop.windows()
            items = [item for window in windows for item in [window, *window["controls"]]]
            x, y, width, height = rng.choice(items)["rect"] if items else (0, 0, 1024, 768)
            point = (round(rng.uniform(x - 10, x + width + 10)), round(rng.uniform(y - 10, y + height + 10)))
            desktop.xdotool("mousemove", "--sync", str(max(0, point[0])), str(max(0, point[1])), "click", "1")
            log.append("click at %d,%d" % point)
        else:
            key_or_text(desktop, rng, log, KEYS, TEXTS, typing=choice >= 0.85)
    return "running"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build")
    parser.add_argument("--seed", type=int, nargs="+", default=[random.randrange(1 << 31)])
    parser.add_argument("--seconds", type=float, default=20)
    arguments = parser.parse_args()
    program, inspector = (os.path.join(arguments.build, name) for name in ("scherzetto.exe", "uiread.exe"))
    for seed in arguments.seed:
        rng, log, runs = random.Random(seed), [], 0
        try:
            with WineDesktop(program, inspector) as desktop:
                deadline = time.monotonic() + arguments.seconds
                while time.monotonic() < deadline:
                    if runs:
                        desktop.start_again()
                    runs += 1
                    before = len(log)
                    how = play(desktop, rng, log, deadline)
                    print("Windows monkey: seed %d, run %d: %s after %d actions" % (seed, runs, how, len(log) - before),
                          flush=True)
        except TestFailure as failure:
            print("Windows monkey: seed %d failed in run %d: %s\nLast actions:\n  %s\nReplay: %s %s --seed %d"
                  % (seed, runs, failure, "\n  ".join(log[-25:]), sys.argv[0], arguments.build, seed), file=sys.stderr)
            sys.exit(1)
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
