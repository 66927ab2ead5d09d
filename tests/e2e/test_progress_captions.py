"""What a person sees of the fake formatting: every one of the hundred progress captions,
"Formattazione in corso 0%" to "... 99%", is painted whole in the progress window before the
window goes. The screen is read where the caption stands, as fast as the X server answers, and
each new picture of the label is kept."""

import os
import sys
import threading
import time

import layouts
import screen
from desktop import check, play, program_on_display
from scenarios import dpi, fake_errors, quick_questionnaire, start_formatting

CAPTIONS = 100


def label(desktop):
    """Where the progress window's caption, its Label1, stands on the desktop's screen."""
    density = dpi(desktop)
    (x, y, _, _) = layouts.window("Form7", dpi=density)
    left, top, width, height = layouts.control("Form7", "Label1", dpi=density)
    return (x + left, y + top, width, height)


class LabelSampler:
    """Reads the label's rectangle again and again in a thread of its own, one small XGetImage
    at a time, and keeps every picture that differs from all before it, in the order seen, until
    the black farewell window covers the label's place. A caption may stay on the screen for
    little more than the 10 ms of its timer, so nothing else of the test runs meanwhile, and the
    interpreter lets the thread in more often than its default of every 5 ms."""

    def __init__(self, desktop):
        sys.setswitchinterval(0.0005)
        self._grabber = screen.Grabber(desktop.display)
        self._label = label(desktop)
        self.pictures = []
        self.covered = threading.Event()
        self._stopping = threading.Event()
        self._thread = threading.Thread(target=self._sample, daemon=True)
        self._thread.start()
        desktop.on_close(self.stop)

    def _sample(self):
        seen, last, black_since = set(), None, None
        while not self._stopping.is_set():
            picture = self._grabber.grab(*self._label)
            # The farewell window stays for seconds; a window being mapped may be black for a moment.
            if black_since and time.monotonic() - black_since > 0.2:
                self.covered.set()
                return
            if picture is None or picture.data == last:
                continue
            last = picture.data
            black_since = time.monotonic() if set(last[0::4]) == {0} else None
            if last not in seen:
                seen.add(last)
                picture.when = time.monotonic()
                self.pictures.append(picture)

    def stop(self):
        self._stopping.set()
        self._thread.join()
        self._grabber.close()


class Ink:
    """Where a picture of the label has ink: the columns, and the first and last rows. A caption
    stands on the window's background, which fills the label's top and bottom rows; a picture
    without ink is blank, one with other colours in those rows shows what lies beneath the
    window, and one crossed from edge to edge by a line has another window's border over the
    label: none of them is a caption seen whole."""

    def __init__(self, picture):
        rows = picture.rows()
        background = rows[0][0]
        frame = rows[0] + rows[-1]
        inked = [[contrast(pixel, background) > 150 for pixel in row] for row in rows]
        self.rows = [y for y, row in enumerate(inked) if any(row)]
        self.columns = [x for x in range(picture.width) if any(row[x] for row in inked)]
        crossed = any(all(row) for row in inked)
        self.caption_like = all(pixel == background for pixel in frame) and bool(self.rows) and not crossed


def contrast(pixel, background):
    return sum(abs(a - b) for a, b in zip(pixel, background))


def sample_the_formatting(desktop):
    desktop.sampler = LabelSampler(desktop)
    start_formatting(desktop)
    # The black farewell window covers the label's place when the formatting is over.
    check(desktop.sampler.covered.wait(60), "the black farewell window over the progress label")
    desktop.sampler.stop()


def check_captions(desktop):
    for n, picture in enumerate(desktop.sampler.pictures[:12]):
        ink = Ink(picture)
        print("RAW %d %.3f caption_like=%s rows=%s" % (n, picture.when * 1000, ink.caption_like, ink.rows[:1] + ink.rows[-1:]))
    inks = [(picture, Ink(picture)) for picture in desktop.sampler.pictures]
    inks = [(picture, ink) for picture, ink in inks if ink.caption_like]
    # A caption is painted all at once. A picture read while the window was being painted has
    # only part of the text's height: every caption's ink spans the rows that most pictures' do.
    height = max(set(heights := [(ink.rows[0], ink.rows[-1]) for _, ink in inks]), key=heights.count)
    captions = [(picture, ink) for picture, ink in inks if (ink.rows[0], ink.rows[-1]) == height]
    folder = "progress-captions" + ("-" + desktop.window_manager if getattr(desktop, "window_manager", None) else "")
    os.makedirs(folder, exist_ok=True)
    for number, (picture, _) in enumerate(captions):
        screen.save_png(picture, os.path.join(folder, "%02d.png" % number))
    print("%d different captions seen, saved in %s" % (len(captions), os.path.abspath(folder)))
    problems = []
    if len(captions) != CAPTIONS:
        problems.append("%d different captions painted instead of %d" % (len(captions), CAPTIONS))

    # A caption cut by the label's right edge has ink up to its last column; a whole one ends
    # before it. And a caption that lost its "%" whole, cut between two glyphs, is caught by its
    # length: every whole caption with two digits reaches further right than any with one.
    ends = [ink.columns[-1] for _, ink in captions]
    cut = [number for number, end in enumerate(ends) if end >= label(desktop)[2] - 1]
    if cut:
        which = "all" if len(cut) == len(captions) else "the " + ", ".join("%d." % (number + 1) for number in cut)
        problems.append("%d of them cut by the label's right edge (ink in its last column): %s"
                        % (len(cut), which))
    if len(captions) == CAPTIONS and min(ends[10:]) <= max(ends[:10]):
        problems.append("the captions 10%% to 99%% end at column %d or more, no further right than 0%% to 9%% "
                        "(up to %d)" % (min(ends[10:]), max(ends[:10])))
    check(not problems, "; ".join(problems))


if __name__ == "__main__":
    play(program_on_display(sys.argv[1:]), quick_questionnaire, fake_errors, sample_the_formatting, check_captions)
