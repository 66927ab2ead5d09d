"""The whole joke as a person plays it: a quick questionnaire, "Esci", the two fake errors, the
fake formatting, the black window, "Scherzetto", and the end of the program."""

import sys
import time

import screen
from desktop import Atspi, check, check_equal, find, has_state, play, text_of, texts_in, wait_for

FATAL_ERROR = "Internal error at 0x0002426 000247246 3156000246 At 2162620000x0003"
FORMAT_WARNING = "L'hard-disk verr\u00e0 formattato"


def quick_questionnaire(desktop):
    nome = desktop.window("Nome")
    desktop.type("Gianni")
    desktop.click(find(nome, "push button", "Successivo"))
    desktop.click(find(desktop.window("Data di nascita"), "push button", "Successivo"))
    sex = desktop.window("Sesso")
    desktop.click(find(sex, "radio button", "Femmina"))
    desktop.click(find(sex, "push button", "Successivo"))
    interests = desktop.window("Interessi")
    desktop.click(find(interests, "check box", "Rock n' roll"))
    desktop.click(find(interests, "push button", "Successivo"))
    dati = desktop.window("Dati")
    check_equal(text_of(find(find(dati, "combo box", "Interessi:"), "text")), "rock", "interest shown")
    check(has_state(find(dati, "push button", "Femmina"), Atspi.StateType.ENABLED), "Femmina is enabled")


def fake_errors(desktop):
    desktop.click(find(desktop.window("Dati"), "push button", "Esci"))

    fatal = wait_for("the Fatal Error box", lambda: desktop.message_box("Fatal Error"))
    check_equal(texts_in(fatal), [FATAL_ERROR], "first fake error")
    desktop.key("Escape")  # any way of dismissing it lets the joke go on

    warning = wait_for("the Errore box", lambda: desktop.message_box("Errore"))
    check_equal(texts_in(warning), [FORMAT_WARNING], "second fake error")
    desktop.window_log = desktop.watch_windows()
    desktop.click(find(warning, "push button", "OK"))
    desktop.formatting_started = time.monotonic()


def fake_formatting(desktop):
    # The farewell's five seconds count from before the last look that did not find it yet: a look
    # that is slow to find it then cannot make the joke seem early.
    looks = {"missed": time.monotonic()}

    def look():
        started = time.monotonic()
        found = black_window(desktop)
        if not found:
            looks["missed"] = started
        return found
    farewell = wait_for("the black farewell window", look, timeout=60)
    desktop.farewell_shown = looks["missed"]
    print("100 progress steps took %.2f s" % (desktop.farewell_shown - desktop.formatting_started))
    check(not desktop.window_ids("Form7"), "the progress window is gone")
    # Each showing of the progress window lasts only a moment, but the X server saw every one.
    maps = desktop.window_log.stop()
    check_equal(maps.get((336, 260, 163, 72)), 100, "showings of the progress window at its place")

    shot = screen.grab(desktop.display)
    # Where the questionnaire's windows were, everything inside the 800 by 600 corner is black;
    # outside it the desktop is untouched.
    samples = [shot.pixel(x, y) for x in range(0, 800, 7) for y in range(0, 600, 7)]
    check(all(pixel == (0, 0, 0) for pixel in samples), "the farewell window is black all over")
    check_equal(farewell, (0, 0, 800, 600), "geometry of the farewell window")
    for title in ("Nome", "Data di nascita", "Sesso", "Interessi", "Dati"):
        check(desktop.on_screen(title), title + " stays on screen beneath the farewell")


def black_window(desktop):
    for window_id in desktop.window_ids(""):
        geometry = desktop.geometry(window_id)
        if geometry and geometry[2:] == (800, 600):
            return geometry
    return None


def the_joke(desktop):
    joke = wait_for("the Scherzetto box", lambda: desktop.message_box("Scherzetto, By ZEMBRACO"), timeout=30)
    waited = time.monotonic() - desktop.farewell_shown
    check(waited >= 4.9, "the joke came %.2f s after the black window, before its five seconds" % waited)
    check_equal(texts_in(joke), ["Scherzetto"], "the joke")
    # The farewell's timer goes on while the box is open, but it opens no second box.
    time.sleep(1)
    check_equal(len(desktop.window_ids("Scherzetto, By ZEMBRACO")), 1, "Scherzetto boxes open")
    desktop.key("Return")
    check_equal(desktop.wait_for_exit(), 0, "exit status")
    check_equal(desktop.mapped_windows(), [], "windows left on the display")


if __name__ == "__main__":
    play(sys.argv[1], quick_questionnaire, fake_errors, fake_formatting, the_joke)
