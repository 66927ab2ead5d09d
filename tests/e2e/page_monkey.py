"""A monkey on the page, in Chromium, Firefox ESR or WebKitGTK: random clicks (and in Chromium taps)
in and around the windows,
keys (Tab, Enter, space, arrows, Alt+Down, F4, Escape), typed texts, at every stage of the joke:
each run starts at a window picked at random, reached by pressing its buttons (into the fake
formatting and the farewell too). Whatever it does, no script error is thrown, the page keeps
answering, and it is either running, with a window that takes input, or cleanly ended with its
exit status set.

    page_monkey.py PAGE [--engine chromium|firefox|webkit] [--seed N ...] [--seconds S]

A failure prints its seed and the command that replays it; the same seed gives the same stream of
choices, although the page's timing may make it land differently."""

import argparse
import random
import sys
import time

from browser import ENGINES, BrowserDesktop
from desktop import TestFailure, check, key_or_text

ROAD = ["Nome", "Data di nascita", "Sesso", "Interessi", "Dati"]
KEYS = ["Tab", "Tab", "shift+Tab", "Return", "space", "Escape", "Down", "Up", "alt+Down", "F4", "BackSpace", "ctrl+a"]
TEXTS = ["Mario", "31", "Febbraio", "1985", "\u00e0\u00e8\u00ec", "", "99999", "\U0001f600"]
# How the page stands: ended with its status, or running with a window or box that takes input.
STATE = """const status = document.documentElement.dataset.exitStatus;
  if (status !== undefined) return 'ended ' + status;
  const active = [...document.querySelectorAll('.window:not([hidden]), .box')].filter(e => !e.classList.contains('inactive'));
  return active.length ? 'running' : 'stuck';"""


def play_run(page, engine, rng, log, seconds, touch):
    with BrowserDesktop(page, engine, size=(390, 844) if touch else (1024, 768), touch=touch) as desktop:
        if touch:
            desktop.reload((390, 844))
        steps = rng.randrange(len(ROAD) + 1)
        for title in ROAD[:steps]:
            desktop.click(desktop.control(desktop.window(title), "push button",
                                          "Esci" if title == "Dati" else "Successivo"))
            log.append("press on in " + title)
        width, height = desktop.script("return [innerWidth, innerHeight]")
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            state = desktop.script(STATE)
            if state not in ("running", "ended 0"):
                desktop.sanitizer_reports()  # a sanitizer's report, where one stopped the page
            check(state in ("running", "ended 0"), "the page is %s" % state)
            if state != "running":
                break
            choice = rng.random()
            if choice < 0.45:
                boxes = desktop.script("return [...document.querySelectorAll('.window:not([hidden]), .box, .droplist')]"
                                       ".map(e => { const r = e.getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })")
                x, y, w, h = rng.choice(boxes) if boxes else (0, 0, width, height)
                point = (rng.uniform(x - 10, x + w + 10), rng.uniform(y - 10, y + h + 10))
                desktop.browser.click(*point)
                log.append("%s at %.0f,%.0f" % ("tap" if touch else "click", *point))
            else:
                key_or_text(desktop, rng, log, KEYS, TEXTS, typing=choice >= 0.85)
        errors = [what for _, kind, what, _ in desktop.timeline() if kind == "error"]
        check(not errors, "script errors: %r" % errors)
        desktop.sanitizer_reports()
        return desktop.script(STATE)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("page")
    parser.add_argument("--engine", choices=ENGINES, default="chromium")
    parser.add_argument("--seed", type=int, nargs="+", default=[random.randrange(1 << 31)])
    parser.add_argument("--seconds", type=float, default=20)
    arguments = parser.parse_args()
    for seed in arguments.seed:
        rng, log = random.Random(seed), []
        deadline, runs = time.monotonic() + arguments.seconds, 0
        try:
            while time.monotonic() < deadline - 3:
                runs += 1
                # Only Chromium's driver has a touch screen.
                touch = rng.random() < 0.5 and arguments.engine == "chromium"
                how = play_run(arguments.page, arguments.engine, rng, log, min(8, deadline - time.monotonic()), touch)
                print("page monkey: seed %d, run %d (%s): %s" % (seed, runs, "touch" if touch else "mouse", how),
                      flush=True)
        except TestFailure as failure:
            print("page monkey: seed %d failed in run %d: %s\nLast events:\n  %s\nReplay: %s %s --engine %s --seed %d"
                  % (seed, runs, failure, "\n  ".join(log[-25:]), sys.argv[0], arguments.page, arguments.engine, seed),
                  file=sys.stderr)
            sys.exit(1)
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
