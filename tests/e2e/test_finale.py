"""The whole joke as a person plays it, to the end of the program."""

import sys

from desktop import play
from scenarios import FINALE

if __name__ == "__main__":
    play(sys.argv[1:], *FINALE)
