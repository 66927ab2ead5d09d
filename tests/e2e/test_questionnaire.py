"""A person answers the questionnaire up to the summary window "Dati", and then closes the
windows one after the other from the desktop, which ends the program."""

import sys

from desktop import play, program_on_display
from scenarios import QUESTIONNAIRE

if __name__ == "__main__":
    play(program_on_display(sys.argv[1:]), *QUESTIONNAIRE)
