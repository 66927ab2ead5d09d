"""The Windows program plays the same scenarios as the Linux one, under Wine: the questionnaire to
"Dati" with an impossible date refused on the way, and the whole joke to its end.

The Win32 back end's own test program (tests/backends/win32) runs under the same harness, on
displays at 100 %, 125 % and 150 % scale: the windows at the display's own density, and the
change of density under them, are checked at each.

Usage: test_windows.py WINDOWS_BUILD_DIRECTORY questionnaire|finale|backend"""

import os
import sys

from desktop import check_equal
import scenarios
from test_progress_captions import check_captions, sample_the_formatting
from wine import play


build, scenario = sys.argv[1:]
inspector = os.path.join(build, "uiread.exe")
if scenario == "backend":
    def passes(desktop):
        check_equal(desktop.wait_for_exit(timeout=120), 0, "exit status of the Win32 back end's test")
    for dpi in (96, 120, 144):
        print("At %d dpi:" % dpi, flush=True)
        play(os.path.join(build, "tst_win32backend.exe"), inspector, passes, dpi=dpi)
    sys.exit(0)
# Wine keeps the progress window's X window between showings, so its hundred showings are counted
# from the hundred captions seen painted on the screen.
finale = (scenarios.quick_questionnaire, scenarios.fake_errors, sample_the_formatting, scenarios.fake_formatting,
          check_captions, scenarios.the_joke)
steps = {"questionnaire": scenarios.QUESTIONNAIRE, "finale": finale}[scenario]
desktop = play(os.path.join(build, "scherzetto.exe"), inspector, *steps)
print("Wine prefix created in %.1f s; the program showed its first window %.1f s after its start"
      % (desktop.timings["prefix"], desktop.timings["first window"]))
