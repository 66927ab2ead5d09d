"""The Windows program plays the same scenarios as the Linux one, under Wine: the questionnaire to
"Dati" with an impossible date refused on the way, and the whole joke to its end.

The Win32 back end's own test program (tests/backends/win32) runs under the same harness.

Each runs on a display of the density given in dots per inch, as Windows' display scale sets it
(96 at 100 %, the default; 120 at 125 %, 144 at 150 %...).

Usage: test_windows.py WINDOWS_BUILD_DIRECTORY questionnaire|finale|backend [DPI]"""

import os
import sys

import scenarios
from desktop import check_equal, play
from test_progress_captions import check_captions, sample_the_formatting
from wine import WineDesktop


if len(sys.argv) not in (3, 4) or sys.argv[2] not in ("questionnaire", "finale", "backend") or not (
        len(sys.argv) == 3 or sys.argv[3].isdigit() and 96 <= int(sys.argv[3]) <= 480):
    sys.exit(__doc__.splitlines()[-1] + "\n(DPI: a whole number from 96 to 480)")
build, scenario = sys.argv[1:3]
dpi = int(sys.argv[3]) if len(sys.argv) == 4 else 96
inspector = os.path.join(build, "uiread.exe")
if scenario == "backend":
    def passes(desktop):
        check_equal(desktop.wait_for_exit(timeout=120), 0, "exit status of the Win32 back end's test")
    play(lambda: WineDesktop(os.path.join(build, "tst_win32backend.exe"), inspector, dpi=dpi), passes)
    sys.exit(0)
# Wine keeps the progress window's X window between showings, so its hundred showings are counted
# from the hundred captions seen painted on the screen.
finale = (scenarios.quick_questionnaire, scenarios.fake_errors, sample_the_formatting, scenarios.fake_formatting,
          check_captions, scenarios.the_joke)
steps = {"questionnaire": scenarios.QUESTIONNAIRE, "finale": finale}[scenario]
desktop = play(lambda: WineDesktop(os.path.join(build, "scherzetto.exe"), inspector, dpi=dpi), *steps)
print("Wine prefix created in %.1f s; the program showed its first window %.1f s after its start"
      % (desktop.timings["prefix"], desktop.timings["first window"]))
