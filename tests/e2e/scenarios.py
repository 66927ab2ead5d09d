"""The joke as a person plays it, written once for every platform. Each step is a function of a
desktop: desktop.py's, which runs the Linux program and reads it through AT-SPI as a screen reader
would, wine.py's, which runs the Windows program under Wine and reads it through the inspector
as UI automation would, or browser.py's, which plays the page in headless Chromium and reads its
accessibility tree. All answer the same questions (window, control, text, checked, enabled,
focused, texts, message_box, client_area, grab...) and take the same mouse and keyboard.

Controls are named by role and by caption or by the label that names them: "push button",
"text", "combo box", "radio button", "check box", "label". Places come from the windows' layout
records (layouts.py)."""

import re
import time

import layouts
from desktop import check, check_equal, wait_for

FATAL_ERROR = "Internal error at 0x0002426 000247246 3156000246 At 2162620000x0003"
FORMAT_WARNING = "L'hard-disk verr\u00e0 formattato"
# A window without a title bar keeps a border of one pixel around its client area.
BORDER = 1


def dpi(desktop):
    """The density of the desktop's display: a Windows program's under Wine may have another."""
    return getattr(desktop, "dpi", 96)


def progress_window(desktop):
    """Where the progress window's client area opens."""
    return layouts.window("Form7", dpi=dpi(desktop))


def farewell_window(desktop):
    """The black farewell window, which has no title: its client area and its one-pixel border,
    which scale as one, so that at any density the window covers the corner that 800 by 600
    pixels cover at 96 dpi."""
    return layouts.window(form="Form6", dpi=dpi(desktop), border=BORDER)


def check_place(desktop, title):
    """With or without a window manager, each client area opens at its recorded place."""
    check_equal(desktop.client_area(title), layouts.window(title, dpi=dpi(desktop)), "position and size of " + title)


# The questionnaire, answered in full and read back on "Dati".

def answer_name(desktop):
    nome = desktop.window("Nome")
    check_place(desktop, "Nome")
    first_name = desktop.control(nome, "text", "Nome:")
    check(desktop.focused(first_name), "the first-name box has the focus at start")
    desktop.type("Mario")
    desktop.key("Tab")
    desktop.type("Rossi")
    wait_for("the surname typed", lambda: desktop.text(desktop.control(nome, "text", "Cognome:")) == "Rossi")
    check_equal(desktop.text(first_name), "Mario", "first name")
    desktop.click(desktop.control(nome, "push button", "Successivo"))


def pick(desktop, text):
    """Replaces the text of the focused combo box, then moves on to the next control."""
    desktop.key("ctrl+a")
    desktop.type(text)
    desktop.key("Tab")


def answer_birth_date(desktop):
    birth = desktop.window("Data di nascita")
    check_place(desktop, "Data di nascita")
    check(desktop.on_screen("Nome"), "Nome stays on screen beneath")
    desktop.control(birth, "label", "Inserire la data di nascita")

    # A day that February does not have is refused on the spot, without ending anything.
    for text in ("31", "Febbraio", "1985"):
        pick(desktop, text)
    desktop.click(desktop.control(birth, "push button", "Successivo"))
    refusal = wait_for("the invalid-date message", lambda: desktop.message_box("Data di nascita"))
    check_equal(desktop.texts(refusal), ["Data di nascita non valida"], "invalid-date message")
    desktop.key("Return")
    wait_for("the invalid-date message to close", lambda: desktop.message_box("Data di nascita") is None)
    day = desktop.control(birth, "combo box", "Giorno")
    wait_for("the focus back on the day", lambda: desktop.focused(day))
    check(desktop.on_screen("Data di nascita") and not desktop.on_screen("Sesso"), "the questionnaire waits")

    for text in ("15", "marzo", "1985"):
        pick(desktop, text)
    desktop.click(desktop.control(birth, "push button", "Successivo"))


def answer_sex_and_interests(desktop):
    sex = desktop.window("Sesso")
    check_place(desktop, "Sesso")
    check_drawn(desktop, "Sesso", "Selezionare il sesso")
    desktop.click(desktop.control(sex, "radio button", "Maschio"))
    wait_for("Maschio selected", lambda: desktop.checked(desktop.control(sex, "radio button", "Maschio")))
    desktop.click(desktop.control(sex, "push button", "Successivo"))

    interests = desktop.window("Interessi")
    for caption in ("Pesca", "Internet"):
        desktop.click(desktop.control(interests, "check box", caption))
        wait_for(caption + " ticked", lambda: desktop.checked(desktop.control(interests, "check box", caption)))
    desktop.click(desktop.control(interests, "push button", "Successivo"))


def check_drawn(desktop, title, label):
    """The window's pixels are on the screen: its background, and the ink of a label, found at its
    recorded place in the client area. "Sesso" lies wholly inside "Data di nascita", where a
    screenshot that reads the windows one by one sees only black."""
    x, y, _, _ = desktop.client_area(title)
    left, top, width, height = layouts.control(title, label, dpi=dpi(desktop))

    def drawn():
        shot = desktop.grab((x + left, y + top, width, height))
        colours = {pixel for row in shot.rows() for pixel in row}
        return shot.pixel(0, 0) != (0, 0, 0) and any(sum(colour) < 200 for colour in colours)
    wait_for("the pixels of %s's label" % title, drawn, timeout=5)


def read_summary(desktop):
    dati = desktop.window("Dati")
    check_place(desktop, "Dati")
    for below in ("Nome", "Data di nascita", "Sesso", "Interessi"):
        check(desktop.on_screen(below), below + " stays on screen beneath Dati")
    labels = desktop.texts(dati)
    for expected in ("Mario Rossi", "Nome e cognome:", "Data di nascita:", "Sesso:", "Interessi:"):
        check(expected in labels, "%r shown in Dati (labels: %r)" % (expected, labels))
    # The short form of the user's locale, an Italian one here, with all four digits of the year.
    date = desktop.text(desktop.control(dati, "text", "Data di nascita:"))
    check(re.fullmatch(r"15/0?3/1985", date), "date of birth %r" % date)
    check_equal(desktop.text(desktop.control(dati, "combo box", "Interessi:")), "pesca", "first interest")
    maschio = desktop.control(dati, "push button", "Maschio")
    check(desktop.enabled(maschio), "Maschio is enabled")
    check(not desktop.enabled(desktop.control(dati, "push button", "Femmina")), "Femmina is disabled")

    for _ in range(2):
        desktop.click(maschio)
        box = wait_for("the Maschio message", lambda: desktop.message_box("Maschio"))
        check_equal(desktop.texts(box), ["Sei un maschio"], "Maschio message")
        desktop.key("Return")
        wait_for("the Maschio message to close", lambda: desktop.message_box("Maschio") is None)


def check_nothing_left(desktop):
    """Once the program has ended, none of its windows is left on the display. A window manager
    takes its frames down a moment after the program's windows go, so they are given that moment."""
    left = []

    def gone():
        left[:] = desktop.mapped_windows()
        return not left
    try:
        wait_for("the program's windows to leave the display", gone, timeout=5)
    except AssertionError:
        check_equal(left, [], "windows left on the display")


def close_everything(desktop):
    """Closes the windows from the desktop, top first; the last one closed ends the program."""
    for title in ("Dati", "Interessi", "Sesso", "Data di nascita", "Nome"):
        desktop.close_window(title)
        if title != "Nome":
            desktop.window_gone(title)
    check_equal(desktop.wait_for_exit(), 0, "exit status after the last window was closed")
    check_nothing_left(desktop)


QUESTIONNAIRE = (answer_name, answer_birth_date, answer_sex_and_interests, read_summary, close_everything)


# The whole joke: a quick questionnaire, "Esci", the two fake errors, the fake formatting, the black
# window, "Scherzetto", and the end of the program.

def quick_questionnaire(desktop):
    nome = desktop.window("Nome")
    desktop.type("Gianni")
    desktop.click(desktop.control(nome, "push button", "Successivo"))
    desktop.click(desktop.control(desktop.window("Data di nascita"), "push button", "Successivo"))
    sex = desktop.window("Sesso")
    desktop.click(desktop.control(sex, "radio button", "Femmina"))
    desktop.click(desktop.control(sex, "push button", "Successivo"))
    interests = desktop.window("Interessi")
    desktop.click(desktop.control(interests, "check box", "Rock n' roll"))
    desktop.click(desktop.control(interests, "push button", "Successivo"))
    dati = desktop.window("Dati")
    check_equal(desktop.text(desktop.control(dati, "combo box", "Interessi:")), "rock", "interest shown")
    check(desktop.enabled(desktop.control(dati, "push button", "Femmina")), "Femmina is enabled")


def fake_errors(desktop):
    desktop.click(desktop.control(desktop.window("Dati"), "push button", "Esci"))

    fatal = wait_for("the Fatal Error box", lambda: desktop.message_box("Fatal Error"))
    check_equal(desktop.texts(fatal), [FATAL_ERROR], "first fake error")
    desktop.key("Escape")  # any way of dismissing it lets the joke go on

    warning = wait_for("the Errore box", lambda: desktop.message_box("Errore"))
    check_equal(desktop.texts(warning), [FORMAT_WARNING], "second fake error")


def start_formatting(desktop):
    """OK on the second fake error starts the fake formatting; from here the X server's events
    about windows are logged."""
    desktop.window_log = desktop.watch_windows()
    # The box's one button: "OK", or "Ok" as Wine's Italian has it.
    warning = wait_for("the Errore box", lambda: desktop.message_box("Errore"))
    desktop.click(desktop.control(warning, "push button"))
    desktop.formatting_started = time.monotonic()


def fake_formatting(desktop):
    wait_for("the black farewell window", lambda: black_window(desktop), timeout=60)
    check(not desktop.on_screen("Form7"), "the progress window is gone")
    # Each showing of the progress window lasts only a moment, but the X server saw them, each at
    # the window's place. (That all hundred captions were seen whole is the captions' own test.)
    maps = desktop.window_log.stop()
    progress = desktop.frame_of(progress_window(desktop))
    farewell = desktop.frame_of(farewell_window(desktop), titled=False)
    check_equal({geometry for geometry in maps if geometry and geometry[2:] == progress[2:]}, {progress},
                "places of the progress window")
    desktop.progress_showings = maps.get(progress, 0)
    check_equal(maps.get(farewell), 1, "showings of the farewell window")
    showings = desktop.window_log.showings()
    desktop.farewell_shown = next(shown for geometry, shown, _ in showings if geometry == farewell)
    first_progress = next(shown for geometry, shown, _ in showings if geometry == progress)
    print("100 progress steps took %.2f s" % (desktop.farewell_shown - first_progress))

    # Where the questionnaire's windows were, everything inside the farewell window's one-pixel
    # border (whose colour is the platform's) is black, once it is painted a moment after it is
    # mapped.
    x, y, width, height = farewell
    client = (x + BORDER, y + BORDER, width - 2 * BORDER, height - 2 * BORDER)

    def black_all_over():
        shot = desktop.grab(client)
        return all(shot.pixel(x, y) == (0, 0, 0) for x in range(0, client[2], 7) for y in range(0, client[3], 7))
    wait_for("the farewell window black all over", black_all_over, timeout=2)
    for title in ("Nome", "Data di nascita", "Sesso", "Interessi", "Dati"):
        check(desktop.on_screen(title), title + " stays on screen beneath the farewell")


def black_window(desktop):
    for window_id in desktop.window_ids(""):
        if desktop.geometry(window_id) == farewell_window(desktop):
            return window_id
    return None


def the_joke(desktop):
    joke = wait_for("the Scherzetto box", lambda: desktop.message_box("Scherzetto, By ZEMBRACO"), timeout=30)
    waited = time.monotonic() - desktop.farewell_shown
    check(waited >= 4.9, "the joke came %.2f s after the black window was shown, before its five seconds"
          % waited)
    check_equal(desktop.texts(joke), ["Scherzetto"], "the joke")
    # The farewell's timer goes on while the box is open, but it opens no second box.
    time.sleep(1)
    check_equal(len(desktop.window_ids("Scherzetto, By ZEMBRACO")), 1, "Scherzetto boxes open")
    desktop.key("Return")
    check_equal(desktop.wait_for_exit(), 0, "exit status")
    check_nothing_left(desktop)


FINALE = (quick_questionnaire, fake_errors, start_formatting, fake_formatting, the_joke)
