"""Measures what a person waits for, on a private X display, with and without a window manager:

- the fake formatting: from the progress window's first mapping to its last unmapping, as the X
  server reports them, against the floor that its 10 ms timer sets for a hundred showings (1.00 s);
  with --windows, the same for the Windows program under Wine;
- the start-up: from starting the process until "Nome" is on the screen with the keyboard's focus
  and the caret drawn in its first box, against the same window written by hand in plain Qt;
- with --page, the page in Chromium, Firefox ESR and WebKitGTK (tests/e2e/browser.py): its size,
  the time from the start of its loading to "Nome" shown, and the hundred progress steps from the
  first caption set to the farewell window shown, both by the page's own clock, per engine.

Run it through scripts/benchmark, inside dbus-run-session with Debian's /usr/bin/python3."""

import argparse
import math
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

import layouts  # noqa: E402
import xlib  # noqa: E402
from desktop import Desktop, wait_for  # noqa: E402
from scenarios import black_window, farewell_window, fake_errors, progress_window, quick_questionnaire, \
    start_formatting  # noqa: E402

MANAGERS = (None, "openbox")
TIMER_FLOOR = 1.00  # a hundred showings of at least one 10 ms interval each
# The ratio of one start to the next varies by about a tenth, and ten pairs in a row drift by
# several per cent from the next ten, so the start-up is measured in many pairs: twenty per run.
START_PAIRS_PER_RUN = 20
# In one engine, the hundred steps of one run of the page differ from the next run's by several per
# cent (in WebKitGTK, thirty runs of one page took from 1.03 to 1.16 s), so each engine runs the page
# four times per run. Each engine's runs follow one another rather than taking turns with the other
# engines: in fourteen rounds, WebKitGTK's runs right after one of Firefox took 1.5 % longer in the
# median than its runs right after one of its own, though the machine was idle in between.
PAGE_RUNS_PER_RUN = 4


def median_interval(values):
    """The median and a 95 % interval for it that assumes no distribution: the order statistics
    that lie 1.96 standard deviations of a fair coin's count on either side of the middle."""
    ordered = sorted(values)
    n = len(ordered)
    spread = 1.96 * math.sqrt(n) / 2
    low = max(0, math.floor(n / 2 - spread) - 1)
    high = min(n - 1, math.ceil(n / 2 + spread) - 1)
    return statistics.median(ordered), ordered[low], ordered[high]


def formatting_time(make_desktop):
    """One run of the joke up to the farewell, on the desktop that `make_desktop` starts: the
    seconds from the progress window's first mapping to its last unmapping, and how many showings
    the X server reported."""
    with make_desktop() as desktop:
        quick_questionnaire(desktop)
        fake_errors(desktop)
        start_formatting(desktop)
        log = desktop.window_log
        # Where a window manager frames the windows, the X server reports the frames' places.
        farewell = desktop.frame_of(farewell_window(desktop), titled=False)
        progress_frame = desktop.frame_of(progress_window(desktop))
        wait_for("the farewell window", lambda: any(geometry == farewell for geometry, _, _ in log.showings()),
                 timeout=60)
        log.stop()
        progress = [(shown, hidden) for geometry, shown, hidden in log.showings() if geometry == progress_frame]
        return progress[-1][1] - progress[0][0], len(progress)


def caret_drawn(image):
    """Whether the box shows the caret: a dark vertical line near its left edge."""
    rows = image.rows()
    return any(sum(1 for row in rows if sum(row[x]) < 200) >= 8 for x in range(1, 12))


def start_up_time(desktop, program):
    """Seconds from starting the program until "Nome" has the X input focus and the caret is drawn
    in its first box. The input focus is the same test with or without a window manager."""
    (x, y, _, _), (left, top, width, height) = layouts.window("Nome"), layouts.control("Nome", "Text1")
    first_box = (x + left, y + top, width, height)
    with xlib.Connection(desktop.display) as connection:
        started = time.monotonic()
        process = desktop.launch([program])
        try:
            deadline = started + 30
            while time.monotonic() < deadline:
                if connection.name(connection.input_focus()) == "Nome":
                    image = connection.image(*first_box)
                    if image and caret_drawn(image):
                        return time.monotonic() - started
                time.sleep(0.0005)
            raise RuntimeError("%s did not show Nome ready for typing" % program)
        finally:
            process.kill()
            process.wait()


def page_times(page, engine):
    """One run of the page in one engine: seconds from the start of its loading until "Nome" is
    shown (None in WebKit, whose timeline starts once the page has loaded), and for the hundred
    progress steps, by the page's clock; and whether all hundred captions came in order."""
    from browser import BrowserDesktop
    with BrowserDesktop(page, engine) as desktop:
        desktop.window("Nome")
        shown = desktop.read("const e = scherzettoTimeline.find(event => event[1] === 'show'); return e && e[0]")
        quick_questionnaire(desktop)
        fake_errors(desktop)
        start_formatting(desktop)
        wait_for("the farewell window", lambda: black_window(desktop), timeout=60)
        timeline = desktop.timeline()
        captions = [(when, text) for when, kind, text, _ in timeline if kind == "text" and text.startswith("Form")]
        farewell = next(when for when, kind, _, place in timeline
                        if kind == "show" and place == list(farewell_window(desktop)))
        in_order = [text for _, text in captions] == ["Formattazione in corso %d%%" % n for n in range(100)]
        return shown and shown / 1000, farewell - captions[0][0], in_order


def page_table(page, runs):
    from browser import ENGINES
    count = PAGE_RUNS_PER_RUN * runs
    print("the page in Chromium, Firefox ESR and WebKitGTK: %d runs each" % count, file=sys.stderr)
    results = {engine: [page_times(page, engine) for _ in range(count)] for engine in ENGINES}
    print("\npage size %.0f KiB" % (os.path.getsize(page) / 1024))
    print("%-10s %-20s %-40s %s" % ("engine", "loading to Nome", "100 progress steps (95 % interval)",
                                    "captions in order"))
    for engine, rows in results.items():
        loads = [r[0] for r in rows if r[0] is not None]
        steps, low, high = median_interval(r[1] for r in rows)
        print("%-10s %-20s %-40s %d of %d runs" % (
            engine, "%.0f ms" % (statistics.median(loads) * 1000) if loads else "-",
            "%.3f s (%.2f x floor) (%.3f-%.3f)" % (steps, steps / TIMER_FLOOR, low, high),
            sum(r[2] for r in rows), count))
    print("\nMedians of %d runs by the page's own clock (performance.now()), from a fresh browser each, the "
          "page opened from disk; a 95 %% interval for the median of the hundred steps. "
          "WebKit's loading is not measured: its timeline starts once the page has loaded." % count)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("plain_nome")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--windows", help="also measure the Windows program of this build tree under Wine "
                        "(build/windows)")
    parser.add_argument("--page", help="also measure this build of the page (build/web/scherzetto.html)")
    parser.add_argument("--only-page", action="store_true", help="measure the page alone")
    options = parser.parse_args()
    if options.page and options.only_page:
        page_table(options.page, options.runs)
        return

    rows = []
    for manager in MANAGERS:
        label = "Linux, " + (manager or "no window manager")
        print("fake formatting, %s: %d runs" % (label, options.runs), file=sys.stderr)
        runs = [formatting_time(lambda: Desktop(options.program, manager)) for _ in range(options.runs)]
        print("start-up, %s: %d runs of each program" % (label, START_PAIRS_PER_RUN * options.runs),
              file=sys.stderr)
        # Without accessibility forced on: both programs start as they would on a plain desktop.
        with Desktop(window_manager=manager, accessibility=False) as desktop:
            start_up_time(desktop, options.plain_nome)  # warms the font and file caches for both
            pairs = [(start_up_time(desktop, options.program), start_up_time(desktop, options.plain_nome))
                     for _ in range(START_PAIRS_PER_RUN * options.runs)]
        rows.append((label, runs, pairs))
    if options.windows:
        from wine import WineDesktop
        program, inspector = (os.path.join(options.windows, name) for name in ("scherzetto.exe", "uiread.exe"))
        print("fake formatting, Windows program under Wine: %d runs" % options.runs, file=sys.stderr)
        rows.append(("Wine", [formatting_time(lambda: WineDesktop(program, inspector)) for _ in range(options.runs)],
                     None))

    print()
    print("%-26s %-30s %-14s %-10s %-10s %s" % ("where", "100 progress steps (range)", "showings seen",
                                               "start-up", "plain Qt", "ratio (95 % interval)"))
    for label, runs, pairs in rows:
        pace = statistics.median(seconds for seconds, _ in runs)
        showings = sorted(count for _, count in runs)
        start = ("%.0f ms" % (statistics.median(program for program, _ in pairs) * 1000),
                 "%.0f ms" % (statistics.median(plain for _, plain in pairs) * 1000),
                 "%.3f (%.3f-%.3f)" % median_interval(program / plain for program, plain in pairs)) if pairs \
            else ("-",) * 3
        spread = (min(seconds for seconds, _ in runs), max(seconds for seconds, _ in runs))
        print("%-26s %-30s %-14s %-10s %-10s %s" % (
            label, "%.3f s (%.3f-%.3f)" % (pace, *spread), "%d to %d" % (showings[0], showings[-1]), *start))
    print("\nMedians of %d runs, with their range; the floor is the 10 ms timer's, %.2f s for a hundred showings. "
          "The start-up ratio is the median of the program's time over plain Qt's in %d pairs run by turns, "
          "with a 95 %% interval for that median." % (options.runs, TIMER_FLOOR, START_PAIRS_PER_RUN * options.runs))
    if options.page:
        page_table(options.page, options.runs)


if __name__ == "__main__":
    main()
