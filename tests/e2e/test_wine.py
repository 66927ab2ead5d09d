"""The Wine harness tests itself on its sample program: it finds the window through the inspector,
reads texts and list items with accents, types and clicks with xdotool where the inspector says the
controls are, sees the effects, and gets the program's exit status.

Usage: test_wine.py WINDOWS_BUILD_DIRECTORY"""

import os
import sys

from desktop import check_equal
from wine import play

build = sys.argv[1]


def fill_in(wine):
    wine.window("Prova")
    combo = wine.control("Prova", "ComboBox")
    check_equal(combo["items"], ["Lunedì", "Martedì", "Mercoledì"], "the combo box's items")

    wine.click(wine.control("Prova", "Edit"))
    wine.type("Città")
    text_box = wine.control("Prova", "Edit", "Città")
    check_equal(text_box["focused"], True, "whether the text box has the focus after typing in it")

    # The combo box's own text box takes the keys: two steps down from nothing is the second day.
    wine.click(next(control for control in combo["controls"] if control["class"] == "Edit"))
    wine.key("Down", "Down")
    wine.control("Prova", "ComboBox", "Martedì")

    wine.click(wine.control("Prova", "Button", "Sì"))
    check_equal(wine.control("Prova", "Button", "Sì")["check"], 1, "the check box after a click")
    wine.click(wine.control("Prova", "Button", "Copia"))
    wine.control("Prova", "Static", "Città Martedì")


def end(wine):
    wine.click(wine.control("Prova", "Button", "Fine"))
    check_equal(wine.wait_for_exit(), 0, "the exit status after Fine with the box ticked")


desktop = play(os.path.join(build, "sample.exe"), os.path.join(build, "inspect.exe"), fill_in, end)
print("Wine prefix created in %.1f s; the program showed its window %.1f s after its start"
      % (desktop.timings["prefix"], desktop.timings["first window"]))
