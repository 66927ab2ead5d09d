"""Unpacks the Debian package into a folder, starts the binary it installs on a private display
and checks that the questionnaire opens; closing its window ends the program."""

import glob
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
import layouts  # noqa: E402
from desktop import check, check_equal, extents, wait_for  # noqa: E402
from desktop import play, program_on_display  # noqa: E402


def main(work):
    packages = glob.glob(os.path.join(work, "deb", "*.deb"))
    check_equal(len(packages), 1, "Debian packages built")
    root = os.path.join(work, "root")
    subprocess.run(["dpkg-deb", "-x", packages[0], root], check=True)
    program = os.path.join(root, "usr", "games", "scherzetto")
    check(os.access(program, os.X_OK), "the package installs /usr/games/scherzetto")

    def opens_the_questionnaire(desktop):
        nome = desktop.window("Nome")
        check_equal(extents(nome), layouts.window("Nome"), "position and size of Nome")
        window_ids = wait_for("the X window Nome", lambda: desktop.window_ids("Nome"))
        desktop.request_close(window_ids[0])
        check_equal(desktop.wait_for_exit(), 0, "exit status")

    play(program_on_display([program]), opens_the_questionnaire)


if __name__ == "__main__":
    main(sys.argv[1])
