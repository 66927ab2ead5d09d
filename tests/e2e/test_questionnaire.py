"""A person answers the questionnaire up to the summary window "Dati", and then closes the
windows one after the other from the desktop, which ends the program."""

import sys

import screen
from desktop import (Atspi, check, check_equal, find, focused_within, has_state, play, text_of, texts_in,
                     wait_for)


def answer_name(desktop):
    nome = desktop.window("Nome")
    # With or without a window manager, each client area opens at its stored place.
    check_equal(desktop.client_area("Nome"), (260, 50, 312, 131), "position and size of Nome")
    first_name = find(nome, "text", "Nome:")
    check(has_state(first_name, Atspi.StateType.FOCUSED), "the first-name box has the focus at start")
    desktop.type("Mario")
    desktop.key("Tab")
    desktop.type("Rossi")
    wait_for("the surname typed", lambda: text_of(find(nome, "text", "Cognome:")) == "Rossi")
    check_equal(text_of(first_name), "Mario", "first name")
    desktop.click(find(nome, "push button", "Successivo"))


def pick(desktop, text):
    """Replaces the text of the focused combo box, then moves on to the next control."""
    desktop.key("ctrl+a")
    desktop.type(text)
    desktop.key("Tab")


def answer_birth_date(desktop):
    birth = desktop.window("Data di nascita")
    check_equal(desktop.client_area("Data di nascita"), (295, 64, 251, 190), "position and size of Data di nascita")
    check(desktop.on_screen("Nome"), "Nome stays on screen beneath")
    find(birth, "label", "Inserire la data di nascita")

    # A day that February does not have is refused on the spot, without ending anything.
    for text in ("31", "Febbraio", "1985"):
        pick(desktop, text)
    desktop.click(find(birth, "push button", "Successivo"))
    refusal = wait_for("the invalid-date message", lambda: desktop.message_box("Data di nascita"))
    check_equal(texts_in(refusal), ["Data di nascita non valida"], "invalid-date message")
    desktop.key("Return")
    wait_for("the invalid-date message to close", lambda: desktop.message_box("Data di nascita") is None)
    day = find(birth, "combo box", "Giorno")
    wait_for("the focus back on the day", lambda: focused_within(day))

    for text in ("15", "marzo", "1985"):
        pick(desktop, text)
    desktop.click(find(birth, "push button", "Successivo"))


def answer_sex_and_interests(desktop):
    sex = desktop.window("Sesso")
    check_equal(desktop.client_area("Sesso"), (323, 78, 172, 162), "position and size of Sesso")
    check_drawn(desktop, "Sesso", (32, 16, 97, 17))  # "Selezionare il sesso"
    desktop.click(find(sex, "radio button", "Maschio"))
    wait_for("Maschio selected", lambda: has_state(find(sex, "radio button", "Maschio"), Atspi.StateType.CHECKED))
    desktop.click(find(sex, "push button", "Successivo"))

    interests = desktop.window("Interessi")
    for caption in ("Pesca", "Internet"):
        desktop.click(find(interests, "check box", caption))
        wait_for(caption + " ticked",
                 lambda: has_state(find(interests, "check box", caption), Atspi.StateType.CHECKED))
    desktop.click(find(interests, "push button", "Successivo"))


def check_drawn(desktop, title, label):
    """The window's pixels are on the screen: its background, and the ink of a label, given by its
    place in the client area. "Sesso" lies wholly inside "Data di nascita", where a screenshot that
    reads the windows one by one sees only black."""
    x, y, _, _ = desktop.client_area(title)
    left, top, width, height = label

    def drawn():
        shot = screen.grab(desktop.display, (x + left, y + top, width, height))
        colours = {pixel for row in shot.rows() for pixel in row}
        return shot.pixel(0, 0) != (0, 0, 0) and any(sum(colour) < 200 for colour in colours)
    wait_for("the pixels of %s's label" % title, drawn, timeout=5)


def read_summary(desktop):
    dati = desktop.window("Dati")
    check_equal(desktop.client_area("Dati"), (260, 113, 298, 166), "position and size of Dati")
    for below in ("Nome", "Data di nascita", "Sesso", "Interessi"):
        check(desktop.on_screen(below), below + " stays on screen beneath Dati")
    labels = texts_in(dati)
    for expected in ("Mario Rossi", "Nome e cognome:", "Data di nascita:", "Sesso:", "Interessi:"):
        check(expected in labels, "%r shown in Dati (labels: %r)" % (expected, labels))
    check_equal(text_of(find(dati, "text", "Data di nascita:")), "15/03/1985", "date of birth")
    interests = find(dati, "combo box", "Interessi:")
    check_equal(text_of(find(interests, "text")), "pesca", "first interest")
    maschio = find(dati, "push button", "Maschio")
    femmina = find(dati, "push button", "Femmina")
    check(has_state(maschio, Atspi.StateType.ENABLED), "Maschio is enabled")
    check(not has_state(femmina, Atspi.StateType.ENABLED), "Femmina is disabled")

    for _ in range(2):
        desktop.click(maschio)
        box = wait_for("the Maschio message", lambda: desktop.message_box("Maschio"))
        check_equal(texts_in(box), ["Sei un maschio"], "Maschio message")
        desktop.key("Return")
        wait_for("the Maschio message to close", lambda: desktop.message_box("Maschio") is None)


def close_everything(desktop):
    """Closes the windows from the desktop, top first; the last one closed ends the program."""
    for title in ("Dati", "Interessi", "Sesso", "Data di nascita", "Nome"):
        window_ids = wait_for("the X window " + title, lambda: desktop.window_ids(title))
        desktop.request_close(window_ids[0])
        if title != "Nome":
            desktop.window_gone(title)
    check_equal(desktop.wait_for_exit(), 0, "exit status after the last window was closed")
    check_equal(desktop.mapped_windows(), [], "windows left on the display")


if __name__ == "__main__":
    play(sys.argv[1:], answer_name, answer_birth_date, answer_sex_and_interests, read_summary, close_everything)
