"""The whole joke as a person plays it, to the end of the program."""

import sys

from desktop import play
from scenarios import FINALE, fake_errors, fake_formatting, quick_questionnaire  # noqa: F401

if __name__ == "__main__":
    play(sys.argv[1:], *FINALE)
