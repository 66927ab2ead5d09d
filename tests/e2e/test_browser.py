"""The page plays the scenarios of every platform in headless Chromium: the questionnaire to "Dati"
with an impossible date refused on the way, opened from disk, and the whole joke to the empty
page, from a static web server. On the way: every caption whole, the hundred progress captions in
order and at the timer's pace by the page's own clock, and nothing fetched, sent or stored.

Usage: test_browser.py PAGE questionnaire|finale"""

import os
import sys

from browser import play, state
from desktop import check, check_equal
import scenarios

MAX_SIZE = 600 * 1024
CAPTIONS = ["Formattazione in corso %d%%" % percent for percent in range(100)]


def captions_whole(desktop):
    """Every text of every window shown fits its control in the one font of the page; the window
    on top is modal for screen readers, the start window is not; a locked combo box is locked."""
    check(state(desktop.window("Dati"), "modal") and not state(desktop.window("Nome"), "modal"), "modal windows")
    cut = desktop.script("""return [...document.querySelectorAll('.window:not([hidden]) .client > *')]
        .filter(e => e.tagName !== 'DATALIST' && e.tagName !== 'INPUT'
                     && (e.scrollWidth > e.clientWidth || e.scrollHeight > e.clientHeight))
        .map(e => e.textContent)""")
    check_equal(cut, [], "captions cut by their control")
    fonts = desktop.script("""return [...new Set([...document.querySelectorAll('.client > *')]
        .map(e => getComputedStyle(e).fontFamily + ' ' + getComputedStyle(e).fontSize))]""")
    check_equal(len(fonts), 1, "fonts of the controls (%r)" % fonts)
    # The locked combo box of "Dati" keeps its text whatever is typed, and still has its list.
    interests = desktop.control(desktop.window("Dati"), "combo box", "Interessi:")
    desktop.click(interests)
    desktop.type("xy")
    desktop.key("BackSpace")
    check_equal(desktop.text(interests), "pesca", "the locked interests' text")
    check_equal(desktop.script("return [...document.querySelectorAll('datalist option')].map(o => o.value).slice(-2)"),
                ["pesca", "internet"], "the interests' list")


def no_drop_cursor(desktop):
    check_equal(desktop.script("return getComputedStyle(document.elementFromPoint(400, 300)).cursor"), "no-drop",
                "the pointer over the farewell window")


def hundred_captions(desktop):
    """Each caption set in the progress label, in order, each at least one 10 ms interval after the
    one before, by the page's own clock."""
    captions = [(when, text) for when, kind, text, _ in desktop.timeline() if kind == "text" and text.startswith("Form")]
    check_equal([text for _, text in captions], CAPTIONS, "the progress captions")
    early = [text for (before, _), (when, text) in zip(captions, captions[1:]) if when - before < 0.0099]
    check_equal(early, [], "captions set less than 10 ms after the one before")
    print("100 progress steps took %.3f s in the page" % (captions[-1][0] - captions[0][0]))


def nothing_fetched_or_stored(desktop):
    """The page asked for nothing but itself, its policy refuses any connection, even to its own
    origin, and it left nothing in the browser."""
    fetched = [url for url in desktop.requests() if not url.startswith("data:")]
    check_equal(fetched, [desktop.url], "requests of the page")
    check_equal([what for _, kind, what, _ in desktop.timeline() if kind == "refused"], [],
                "what the page's policy refused it")
    refused = desktop.driver.execute_async_script(
        "const done = arguments[0]; fetch(location.href).then(() => done('fetched'), () => done('refused'))")
    check_equal(refused, "refused", "a fetch from the page")
    check_equal(desktop.stored(), {"cookie": "", "local": 0, "session": 0, "indexedDB": 0}, "what the page stored")


page, scenario = sys.argv[1:]
check(os.path.getsize(page) <= MAX_SIZE, "%s is %d bytes, more than 600 KiB" % (page, os.path.getsize(page)))
if scenario == "questionnaire":
    steps = scenarios.QUESTIONNAIRE[:-1] + (captions_whole, scenarios.QUESTIONNAIRE[-1], nothing_fetched_or_stored)
    play(page, *steps)
else:
    steps = scenarios.FINALE[:-1] + (no_drop_cursor, scenarios.FINALE[-1], hundred_captions, nothing_fetched_or_stored)
    play(page, *steps, served=True)
