"""The whole joke as a person plays it, to the end of the program."""

import sys

from desktop import play, program_on_display
from scenarios import FINALE

if __name__ == "__main__":
    play(program_on_display(sys.argv[1:]), *FINALE)
