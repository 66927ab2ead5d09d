"""The Windows program plays the same scenarios as the Linux one, under Wine: the questionnaire to
"Dati" with an impossible date refused on the way, and the whole joke to its end.

Usage: test_windows.py WINDOWS_BUILD_DIRECTORY questionnaire|finale"""

import os
import sys

from desktop import check_equal
import scenarios
from wine import play


def hundred_showings(desktop):
    check_equal(desktop.progress_showings, 100, "showings of the progress window")


build, scenario = sys.argv[1:]
steps = {"questionnaire": scenarios.QUESTIONNAIRE, "finale": scenarios.FINALE + (hundred_showings,)}[scenario]
desktop = play(os.path.join(build, "scherzetto.exe"), os.path.join(build, "inspect.exe"), *steps)
print("Wine prefix created in %.1f s; the program showed its first window %.1f s after its start"
      % (desktop.timings["prefix"], desktop.timings["first window"]))
