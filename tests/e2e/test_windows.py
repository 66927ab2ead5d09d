"""The Windows program plays the same scenarios as the Linux one, under Wine: the questionnaire to
"Dati" with an impossible date refused on the way, and the whole joke to its end.

The Win32 back end's own test program (tests/backends/win32) runs under the same harness.

Usage: test_windows.py WINDOWS_BUILD_DIRECTORY questionnaire|finale|backend"""

import os
import sys

from desktop import check_equal
import scenarios
from wine import play


def hundred_showings(desktop):
    check_equal(desktop.progress_showings, 100, "showings of the progress window")


build, scenario = sys.argv[1:]
inspector = os.path.join(build, "inspect.exe")
if scenario == "backend":
    def passes(desktop):
        check_equal(desktop.wait_for_exit(timeout=120), 0, "exit status of the Win32 back end's test")
    play(os.path.join(build, "tst_win32backend.exe"), inspector, passes)
    sys.exit(0)
steps = {"questionnaire": scenarios.QUESTIONNAIRE, "finale": scenarios.FINALE + (hundred_showings,)}[scenario]
desktop = play(os.path.join(build, "scherzetto.exe"), inspector, *steps)
print("Wine prefix created in %.1f s; the program showed its first window %.1f s after its start"
      % (desktop.timings["prefix"], desktop.timings["first window"]))
