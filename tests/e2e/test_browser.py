"""The page plays the scenarios of every platform in Chromium, Firefox ESR and WebKitGTK, opened
from disk: the questionnaire to "Dati" with an impossible date refused on the way, and the whole
joke to the empty page (in Chromium from a static web server, whose origin the page's policy also
refuses). On the way: every caption whole, every ARIA attribute valid, the hundred progress
captions in order and at the timer's pace by the page's own clock, and nothing fetched, sent,
stored or thrown. The questionnaire leaves a picture of each window, which `look` compares across
the engines. `phones` plays the questionnaire in Chromium with a touch screen, upright and sideways
and on a tablet, and the joke's end on a phone turned while the black window shows.

Usage: test_browser.py PAGE ENGINE questionnaire|finale [PICTURES]
       test_browser.py PAGE chromium phones
       test_browser.py PAGE - look PICTURES"""

import os
import sys

from browser import ENGINES, BrowserDesktop, is_sanitized, play
from desktop import TestFailure, check, check_equal, wait_for
import scenarios
import screen

MAX_SIZE = 600 * 1024
CAPTIONS = ["Formattazione in corso %d%%" % percent for percent in range(100)]
PHONES = [(390, 844), (844, 390), (768, 1024)]
# On the screen: the smallest text, in pixels, and the smallest tap target (WCAG 2.2, target size).
LEAST_TEXT, LEAST_TARGET = 11, 24
# Pictures of one window in two engines differ by text rendering alone: at most this share of their
# pixels differs visibly.
LOOK_TOLERANCE = 0.06
# Every ARIA attribute that the page may use, with its valid values: a list, or a kind of value.
ARIA = """{'aria-modal': ['true', 'false'], 'aria-readonly': ['true', 'false'], 'aria-hidden': ['true', 'false'],
  'aria-expanded': ['true', 'false'], 'aria-selected': ['true', 'false'], 'aria-autocomplete':
  ['none', 'inline', 'list', 'both'], 'aria-labelledby': 'ids', 'aria-describedby': 'ids', 'aria-controls': 'ids',
  'aria-activedescendant': 'id'}"""
ROLES = "['dialog', 'alertdialog', 'combobox', 'listbox', 'option']"


def aria_valid(desktop):
    """Every role is one of ARIA's and every ARIA attribute holds one of its values; an id names an
    element of the page (a combo box's list exists while it is open)."""
    wrong = desktop.script("""const aria = %s, roles = %s, wrong = [];
        for (const element of document.querySelectorAll('*')) {
          if (element.hasAttribute('role') && !roles.includes(element.getAttribute('role')))
            wrong.push(element.outerHTML.slice(0, 80));
          for (const { name, value } of element.attributes) {
            if (!name.startsWith('aria-'))
              continue;
            const valid = aria[name];
            const ok = Array.isArray(valid) ? valid.includes(value) : valid === 'id' ? !!document.getElementById(value)
              : valid === 'ids' ? value.split(' ').every(id => id === 'list' + element.id.slice(1)
                                  || document.getElementById(id)) : false;
            if (!ok)
              wrong.push(name + '="' + value + '" on ' + element.outerHTML.slice(0, 80));
          }
        }
        return wrong""" % (ARIA, ROLES))
    check_equal(wrong, [], "ARIA attributes and roles not valid")


def captions_whole(desktop):
    """Every text of every window shown fits its control in the one font of the page; the window
    on top is modal for screen readers, the start window is not; every combo box shows its arrow;
    a locked combo box keeps its text but shows its list."""
    modal = desktop.script("return [...document.querySelectorAll('.window')].filter(w => !w.hidden)"
                           ".map(w => w.getAttribute('aria-modal'))")
    check_equal(modal, [None, "true", "true", "true", "true"], "modal windows, Nome to Dati")
    cut = desktop.script("""return [...document.querySelectorAll('.window:not([hidden]) .client > *')].filter(e => {
          const text = [...e.childNodes].find(node => node.nodeType === Node.TEXT_NODE && node.data);
          if (!text)
            return false;
          const range = document.createRange();
          range.selectNodeContents(text);
          const r = range.getBoundingClientRect(), b = e.getBoundingClientRect();
          return r.left < b.left - 0.5 || r.right > b.right + 0.5 || r.top < b.top - 0.5 || r.bottom > b.bottom + 0.5;
        }).map(e => e.textContent)""")
    check_equal(cut, [], "captions cut by their control")
    fonts = desktop.script("""return [...new Set([...document.querySelectorAll('.client > *, .title')]
        .map(e => getComputedStyle(e).fontFamily + ' ' + getComputedStyle(e).fontSize))]""")
    check_equal(len(fonts), 1, "fonts of the controls and titles (%r)" % fonts)
    arrows = desktop.script("return [...document.querySelectorAll('[role=combobox]')].map(c => "
                            "c.nextElementSibling.getBoundingClientRect().width)")
    check(arrows and min(arrows) >= 15, "the combo boxes' arrows (%r)" % arrows)
    aria_valid(desktop)
    interests = desktop.control(desktop.window("Dati"), "combo box", "Interessi:")
    desktop.click(interests)
    desktop.type("xy")
    desktop.key("BackSpace")
    check_equal(desktop.text(interests), "pesca", "the locked interests' text")
    x, y, width, height = desktop.box(interests)
    desktop.browser.click(x + width + 8, y + height / 2)  # its arrow
    options = wait_for("the interests' list", lambda: desktop.script(
        "return [...document.querySelectorAll('[role=listbox] > [role=option]')].map(o => o.textContent)"))
    check_equal(options, ["pesca", "internet"], "the interests' list")
    aria_valid(desktop)
    desktop.key("Down", "Return")
    check_equal(desktop.text(interests), "pesca", "the locked interests' text after a pick")


def screen_reader_agrees(desktop):
    """Chromium's accessibility tree, which screen readers read, gives every window and control
    shown the role and the name that the player reads from the page."""
    if desktop.engine != "chromium":
        return
    items = desktop.read("return [...document.querySelectorAll('[role=dialog], [role=alertdialog]')]"
                         ".filter(scherzettoShown).map(scherzettoItem)")
    for window in list(items):
        items += [item for item in desktop.controls(window) if item["role"] not in ("label", "paragraph")]
    differing = [(item["role"], item["name"], desktop.browser.accessible("scherzettoKeys.get(%d)" % item["key"]))
                 for item in items]
    check_equal([found for found in differing if found[:2] != found[2]], [], "what a screen reader hears")


def no_drop_cursor(desktop):
    check_equal(desktop.script("return getComputedStyle(document.elementFromPoint(400, 300)).cursor"), "no-drop",
                "the pointer over the farewell window")


def hundred_captions(desktop):
    """Each caption set in the progress label, in order and with no other text written between
    them, by the page's own clock one 10 ms interval after the one before, which the timer counts
    from the window's load. The label's text from its record, which each load puts back only to
    have it replaced by a caption, never reaches the page. The caption is set a moment after the
    load started the timer, a moment that a browser's pause for its own work may stretch: the
    caption after a late one then follows it by less than an interval, on time. So no caption may
    come before its turn, reckoned at the run's own pace from the earliest of the four captions
    before it, by more than half an interval, which also allows for a clock coarsened to a
    millisecond; and the ninety-nine intervals together take ninety-nine, give or take such a
    moment."""
    texts = [(when, text) for when, kind, text, _ in desktop.timeline() if kind == "text"]
    first = next((i for i, (_, text) in enumerate(texts) if text.startswith("Form")), len(texts))
    captions = texts[first:first + len(CAPTIONS)]
    check_equal([text for _, text in captions], CAPTIONS, "the texts written from the first progress caption on")
    took = captions[-1][0] - captions[0][0]
    if desktop.sanitized:
        # The sanitizers' bookkeeping slows every step down: there, only the order is the page's.
        print("100 progress steps took %.3f s in the sanitized page; their pace is not checked there" % took)
        return
    turns = [when - took / 99 * step for step, (when, _) in enumerate(captions)]
    early = ["%s %.1f ms before its turn" % (text, 1000 * (min(turns[max(0, step - 4):step]) - turns[step]))
             for step, (_, text) in enumerate(captions) if step and turns[step] < min(turns[max(0, step - 4):step]) - 0.005]
    check_equal(early, [], "captions set before their turn by more than half an interval")
    check(took >= 0.985, "the hundred captions took %.3f s, less than 99 intervals of 10 ms" % took)
    print("100 progress steps took %.3f s in the page" % took)


def nothing_fetched_stored_or_thrown(desktop):
    """The page asked for nothing but itself, its policy refuses any connection, even to its own
    origin, it left nothing in the browser and no script of it failed."""
    fetched = [url for url in desktop.requests() if not url.startswith("data:")]
    check_equal(sorted(set(fetched)), [desktop.url], "requests of the page (loaded once or more)")
    events = desktop.timeline()
    check_equal([what for _, kind, what, _ in events if kind == "refused"], [], "what the page's policy refused it")
    check_equal([what for _, kind, what, _ in events if kind == "error"], [], "script errors")
    # Firefox lets a page opened from disk read its own file whatever its policy says; every
    # engine refuses it any other address.
    own = [] if desktop.engine == "firefox" and desktop.url.startswith("file:") else [desktop.url]
    for url in ["data:text/plain,x"] + own:
        refused = desktop.script("return fetch(arguments[0]).then(() => 'fetched', () => 'refused')", url)
        check_equal(refused, "refused", "a fetch of %s from the page" % url)
    check_equal(desktop.stored(), {"cookie": "", "local": 0, "session": 0, "indexedDB": 0}, "what the page stored")


def at_first_sight(desktop, action):
    """Runs action(desktop, title) the first time a scenario finds each window."""
    seen, window = set(), desktop.window

    def window_and_action(title):
        found = window(title)
        if title not in seen:
            seen.add(title)
            action(desktop, title)
        return found
    desktop.window = window_and_action


def picture(folder):
    """A picture of a window, in a file named after the engine and the window, taken once the
    engine shows the window as the page has it: two pictures in a row alike, mostly of the window's
    face colour, with the left and right borders of its buttons and boxes where they are and of
    their colours. An engine may find a window in the page and only later paint it, the more so on
    a cold machine, and WebKit may show the window before for a while in its place."""
    def take(desktop, title):
        os.makedirs(folder, exist_ok=True)
        face, borders = desktop.read(WINDOW_LOOK, desktop.window(title)["key"])
        area, last = desktop.client_area(title), [None]

        def painted():
            now = list(desktop.grab(area).rows())
            alike, last[0] = now == last[0], now
            return alike and most_common_of(now) == tuple(face) and all(
                sum(abs(a - b) for a, b in zip(now[y][x], colour)) <= 48 for x, y, colour in borders) and now
        rows = wait_for("%s painted in %s" % (title, desktop.engine), painted, timeout=30, interval=0.1)
        screen.save_png(Rows(rows), os.path.join(folder, "%s-%s.png" % (desktop.engine, title.replace(" ", "_"))))
    return take


# A window's face colour, and where in its client area its buttons and boxes have their left and
# right borders, halfway down, with those borders' colours.
WINDOW_LOOK = """const frame = scherzettoKeys.get(arguments[0]);
  const client = (frame.querySelector(':scope > .client') || frame).getBoundingClientRect();
  const scale = new DOMMatrix(getComputedStyle(frame.parentElement).transform).a;
  const colour = text => text.match(/[0-9.]+/g).slice(0, 3).map(Number);
  const borders = [...frame.querySelectorAll('button, .field > input, .combo')].filter(e => e.getClientRects().length)
    .flatMap(e => {
      const r = e.getBoundingClientRect(), style = getComputedStyle(e);
      const y = Math.floor((r.top + r.height / 2 - client.top) / scale);
      return [[Math.round((r.left - client.left) / scale), y, colour(style.borderLeftColor)],
              [Math.round((r.right - client.left) / scale) - 1, y, colour(style.borderRightColor)]];
    });
  return [colour(getComputedStyle(frame).backgroundColor), borders];"""


class Rows:
    """Rows of pixels as a picture to save."""

    def __init__(self, rows):
        self._rows, self.width, self.height = rows, len(rows[0]), len(rows)

    def rows(self):
        return self._rows


def look(folder):
    """Each window looks the same in the three engines: the same face colour, and the same pixels
    but where text is drawn."""
    titles = sorted({name.split("-", 1)[1] for name in os.listdir(folder)})
    check_equal(len(titles), 5, "windows pictured (%r)" % titles)
    for title in titles:
        pictures = {engine: read_png(os.path.join(folder, "%s-%s" % (engine, title))) for engine in ENGINES}
        reference = pictures["chromium"]
        for engine, picture in pictures.items():
            check_equal((picture.width, picture.height), (reference.width, reference.height), "size of " + title)
            check_equal(most_common(picture), (212, 208, 200), "the face of %s in %s" % (title, engine))
            differing = sum(1 for a, b in zip(picture.rows(), reference.rows()) for p, q in zip(a, b)
                            if sum(abs(i - j) for i, j in zip(p, q)) > 96)
            share = differing / (picture.width * picture.height)
            print("%s in %s: %.1f %% of the pixels differ from Chromium's" % (title, engine, 100 * share))
            check(share <= LOOK_TOLERANCE, "%s in %s differs from Chromium in %.1f %% of its pixels"
                  % (title, engine, 100 * share))


def read_png(path):
    with open(path, "rb") as png:
        return screen.Picture(png.read())


def most_common(picture):
    return most_common_of(picture.rows())


def most_common_of(rows):
    counts = {}
    for row in rows:
        for pixel in row:
            counts[pixel] = counts.get(pixel, 0) + 1
    return max(counts, key=counts.get)


# Phones and tablets.

SCREEN = """const v = visualViewport, desk = document.querySelector('.desk');
  const scale = new DOMMatrix(getComputedStyle(desk).transform).a * v.scale;"""


def fits_the_screen(desktop, title=None):
    """Every window shown lies wholly on the screen, every text is at least LEAST_TEXT pixels high
    there, and every control a finger's target of at least LEAST_TARGET pixels each way, which no
    other target overlaps: what a tap finds around a control's middle, within its drawing or the
    margin that the page gives it."""
    found = desktop.script(SCREEN + """
        // The black window's border lies just outside the screen that it covers.
        const off = [...document.querySelectorAll('.window:not([hidden]), .box')]
          .map(w => (w.querySelector(':scope > .title') ? w : w.querySelector('.client')).getBoundingClientRect())
          .filter(r => r.left < v.offsetLeft - 0.5 || r.top < v.offsetTop - 0.5
                       || r.right > v.offsetLeft + v.width + 0.5 || r.bottom > v.offsetTop + v.height + 0.5);
        const texts = [...document.querySelectorAll('.window:not([hidden]) :is(.title, label, button), .box *')]
          .map(e => parseFloat(getComputedStyle(e).fontSize) * scale);
        const owner = e => e && e.closest('.client > *, .box button');
        const targets = [];
        for (const control of document.querySelectorAll(
            '.window:not([hidden]):not(.inactive) .client > :not(label:not(.choice)), .box button')) {
          const [x, y] = middle(control), reach = [0, 0, 0, 0];
          [[-1, 0], [1, 0], [0, -1], [0, 1]].forEach(([dx, dy], side) => {
            while (reach[side] < 60 && owner(document.elementFromPoint(x + dx * (reach[side] + 0.5), y + dy * (reach[side] + 0.5))) === control)
              reach[side] += 0.5;
          });
          targets.push([control.textContent || control.querySelector('input').id, (reach[0] + reach[1]) * v.scale, (reach[2] + reach[3]) * v.scale]);
        }
        function middle(e) { const r = e.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; }
        return { off: off.length, text: Math.min(...texts), targets, scale };""")
    check_equal(found["off"], 0, "windows reaching off the screen")
    check(found["text"] >= LEAST_TEXT, "text %.1f px high on the screen" % found["text"])
    small = [target for target in found["targets"] if min(target[1:]) < LEAST_TARGET]
    check_equal(small, [], "targets smaller than %d px" % LEAST_TARGET)
    least = min(min(target[1:]) for target in found["targets"])
    print("%s, %s: scale %.2f, smallest text %.1f px, smallest target %.1f px (%d targets)"
          % (desktop.size, title, found["scale"], found["text"], least, len(found["targets"])))


def keyboard_keeps_the_box(desktop):
    """A tap into "Cognome" gives it the keyboard; the on-screen keyboard, which shortens the
    visible screen, leaves the box in sight; it goes, and the windows are back in place."""
    nome = desktop.window("Nome")
    surname = desktop.control(nome, "text", "Cognome:")
    before = desktop.box(surname)
    desktop.click(surname)
    wait_for("the surname box tapped", lambda: desktop.focused(surname))
    width, height = desktop.size
    desktop.browser.resize(width, 110 if height < width else height // 2)
    in_sight = desktop.script("return new Promise(r => setTimeout(r, 300)).then(() => { const b = arguments[0];"
                              " const v = visualViewport; const r = document.getElementById(b).getBoundingClientRect();"
                              " return r.top >= v.offsetTop && r.bottom <= v.offsetTop + v.height; })",
                              desktop.read("return scherzettoKeys.get(arguments[0]).id", surname["key"]))
    check(in_sight, "the surname box above the on-screen keyboard")
    desktop.browser.resize(width, height)
    wait_for("the windows back in place", lambda: desktop.box(surname) == before, timeout=5)
    desktop.click(desktop.control(nome, "text", "Nome:"))


def covers_the_screen(desktop, least=0.999):
    """The black window covers the visible screen, once the page has fitted itself to it."""
    def share():
        return desktop.script(SCREEN + """const w = [...document.querySelectorAll('.window:not([hidden])')].pop();
            const r = w.querySelector('.client').getBoundingClientRect();
            const width = Math.min(r.right, v.offsetLeft + v.width) - Math.max(r.left, v.offsetLeft);
            const height = Math.min(r.bottom, v.offsetTop + v.height) - Math.max(r.top, v.offsetTop);
            return Math.max(0, width) * Math.max(0, height) / (v.width * v.height);""")
    try:
        wait_for("the black window to cover the screen", lambda: share() >= least, timeout=5)
    except TestFailure:
        pass  # reported below, with the share
    covered = share()
    print("%s: the black window covers %.0f %% of the visible screen" % (desktop.size, 100 * covered))
    check(covered >= least, "the black window covers %.1f %% of the screen" % (100 * covered))


def farewell_on_a_phone(desktop):
    """The black window covers the visible screen, also once the phone is turned, and after five
    seconds the joke's box shows on it, wholly on the screen."""
    wait_for("the black window", lambda: desktop.on_screen(""), timeout=60)
    covers_the_screen(desktop)
    desktop.size = (desktop.size[1], desktop.size[0])
    desktop.browser.resize(*desktop.size)
    covers_the_screen(desktop)
    joke = wait_for("the Scherzetto box", lambda: desktop.message_box("Scherzetto, By ZEMBRACO"), timeout=30)
    fits_the_screen(desktop)
    check_equal(desktop.texts(joke), ["Scherzetto"], "the joke")
    desktop.click(desktop.control(joke, "push button"))
    check_equal(desktop.wait_for_exit(), 0, "exit status")


def phones(page):
    """One Chromium with a touch screen: the questionnaire at each size, then the joke's end."""
    with BrowserDesktop(page, "chromium", size=PHONES[0], touch=True) as desktop:
        for size in PHONES:
            desktop.size = size
            desktop.reload(size)
            at_first_sight(desktop, fits_the_screen)
            steps = (keyboard_keeps_the_box, *scenarios.QUESTIONNAIRE[:-1], aria_valid, scenarios.QUESTIONNAIRE[-1])
            for step in steps:
                step(desktop)
        desktop.size = PHONES[0]
        desktop.reload(desktop.size)
        for step in (*scenarios.FINALE[:3], farewell_on_a_phone, nothing_fetched_stored_or_thrown):
            step(desktop)


def main():
    page, engine, scenario, *pictures = sys.argv[1:]
    check(is_sanitized(page) or os.path.getsize(page) <= MAX_SIZE,
          "%s is %d bytes, more than 600 KiB" % (page, os.path.getsize(page)))
    if scenario == "look":
        look(pictures[0])
    elif scenario == "phones":
        phones(page)
    elif scenario == "questionnaire":
        steps = scenarios.QUESTIONNAIRE[:-1] + (captions_whole, screen_reader_agrees, scenarios.QUESTIONNAIRE[-1],
                                                 nothing_fetched_stored_or_thrown)
        if pictures:
            steps = (lambda desktop: at_first_sight(desktop, picture(pictures[0])),) + steps
        play(page, *steps, engine=engine)
    else:
        steps = scenarios.FINALE[:-1] + (no_drop_cursor, aria_valid, scenarios.FINALE[-1], hundred_captions,
                                         nothing_fetched_stored_or_thrown)
        play(page, *steps, engine=engine, served=engine == "chromium")
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
