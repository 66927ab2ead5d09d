"""The whole joke under the window manager of GNOME, KDE Plasma, Xfce or openbox: every window
opens at its place with its caption alone in its title bar, whoever draws it; the farewell window
has no title bar; a click on a window beneath a modal one does nothing."""

import sys
import time

import layouts
import screen
import xlib
from desktop import check, check_equal, play, program_on_display, wait_for
from scenarios import FINALE, black_window, farewell_window

QUESTIONNAIRE_WINDOWS = ("Nome", "Data di nascita", "Sesso", "Interessi", "Dati")


def frame_extents(desktop, window_id):
    with xlib.Connection(desktop.display) as connection:
        return connection.property(window_id, "_NET_FRAME_EXTENTS") or [0, 0, 0, 0]


def title_bar(desktop, window_id, client):
    """Where a window's title bar lies on the screen: the program's own, or the window manager's."""
    def extents():
        own = desktop.own_title_bar(window_id)
        check(not (own and frame_extents(desktop, window_id)[2]), "a second title bar from the desktop")
        found = [0, 0, own, 0] if own else frame_extents(desktop, window_id)
        return found if found[2] > 0 else None
    left, right, top, _ = wait_for("a title bar above the client area at %r" % (client,), extents, timeout=5)
    x, y, width, _ = client
    return (x - left, y - top, width + left + right, top)


def marks(desktop, strip):
    """The groups of columns of a title bar that hold anything but its background, row by row:
    the caption, and any icon or button. Its edges, rounded or lined, are left out."""
    columns = set()
    for row in list(screen.grab(desktop.display, strip).rows())[2:-2]:
        background = max(set(row), key=row.count)
        columns |= {x for x, pixel in enumerate(row[5:-5], 5)
                    if sum(abs(a - b) for a, b in zip(pixel, background)) > 90}
    groups = []
    for x in sorted(columns):
        if groups and x - groups[-1][1] <= 12:
            groups[-1][1] = x
        else:
            groups.append([x, x])
    return groups


def reference(desktop):
    """What the window manager draws for an ordinary window: its caption and its buttons."""
    xlogo = desktop.launch(["xlogo", "-geometry", "200x100+700+500"])
    try:
        window_id = wait_for("xlogo", lambda: desktop.window_ids("xlogo"))[0]
        strip = title_bar(desktop, window_id, desktop.client_area("xlogo"))
        wait_for("buttons beside xlogo's caption", lambda: len(marks(desktop, strip)) > 1, timeout=5)
    finally:
        xlogo.kill()
        xlogo.wait()
    wait_for("xlogo to go", lambda: not desktop.on_screen("xlogo"))


def check_every_window(desktop):
    """From here, each window of the questionnaire is checked as it is first seen."""
    seen, window = set(), desktop.window

    def checked(title):
        found = window(title)
        if title in QUESTIONNAIRE_WINDOWS and title not in seen:
            seen.add(title)
            client = desktop.client_area(title)
            check_equal(client, layouts.window(title), "client area of " + title)
            strip = title_bar(desktop, desktop.window_ids(title)[0], client)
            wait_for("the caption alone in the title bar of " + title,
                     lambda: len(marks(desktop, strip)) == 1, timeout=5)
        return found
    desktop.window = checked


def move_by_title_bar(desktop):
    """Dragging Nome by its title bar moves it, whoever draws the title bar; and back again."""
    desktop.window("Nome")
    for dx, dy in ((60, 40), (-60, -40)):
        x, y, width, _ = desktop.client_area("Nome")
        # The window manager takes the pointer a moment after the press, and lets go of it at
        # the release.
        steps = [("mousemove", str(x + width // 4 + dx * step // 5), str(y - 10 + dy * step // 5), "sleep", "0.1")
                 for step in range(6)]
        desktop.xdotool(*steps[0], "mousedown", "1", "sleep", "0.3", *[word for step in steps[1:] for word in step],
                        "sleep", "0.2", "mouseup", "1")
        wait_for("Nome moved by its title bar", lambda: desktop.client_area("Nome")[:2] == (x + dx, y + dy), timeout=5)


def click_beneath_modal(desktop):
    """A click on "Nome", beneath the modal "Dati", neither activates nor raises it."""
    dati = desktop.window_ids("Dati")[0]
    strip = title_bar(desktop, dati, desktop.client_area("Dati"))
    before = list(screen.grab(desktop.display, strip).rows())
    desktop.xdotool("mousemove", "--sync", "270", "60")
    desktop.xdotool("click", "1")
    time.sleep(0.5)
    with xlib.Connection(desktop.display) as connection:
        check_equal(connection.property(connection.root, "_NET_ACTIVE_WINDOW")[:1], [dati], "active window")
    check(list(screen.grab(desktop.display, strip).rows()) == before, "Dati's title bar unchanged")


def close_by_keyboard(desktop):
    """Alt+F4 closes the active window, "Dati", where the desktop offers it for these windows: not
    where GNOME's mutter draws the frame, which would then show a close button, but wherever the
    program draws its own title bar; "Interessi" opens it again."""
    if desktop.window_manager != "mutter" or desktop.own_title_bar(desktop.window_ids("Dati")[0]):
        desktop.key("alt+F4")
        desktop.window_gone("Dati")
        desktop.click(desktop.control(desktop.window("Interessi"), "push button", "Successivo"))
        desktop.window("Dati")
    else:
        print("Alt+F4 not tried: mutter draws the frame, and offers no keyboard closing for these windows")


def fake_formatting_and_farewell(desktop):
    FINALE[3](desktop)
    farewell = black_window(desktop)
    check_equal(desktop.geometry(farewell), farewell_window(desktop), "farewell window")
    check_equal((desktop.own_title_bar(farewell), frame_extents(desktop, farewell)), (0, [0, 0, 0, 0]),
                "title bars of the farewell window")


if __name__ == "__main__":
    quick_questionnaire, fake_errors, start_formatting, _, the_joke = FINALE
    play(program_on_display(sys.argv[1:]), reference, check_every_window, move_by_title_bar, quick_questionnaire, click_beneath_modal,
         close_by_keyboard, fake_errors, start_formatting, fake_formatting_and_farewell, the_joke)
