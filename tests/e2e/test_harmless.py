"""The whole joke played under `strace -f`, to show what the program does to the system: it may
read files and talk over Unix sockets, and nothing else. Nothing is created, written, removed,
renamed or truncated, no socket of another family is opened, no program is run and no process is
started (threads are fine).

    test_harmless.py PROGRAM --bus         inside dbus-run-session, read back through AT-SPI
    test_harmless.py PROGRAM --no-bus      no session bus and no XDG_RUNTIME_DIR, driven through X
    test_harmless.py PROGRAM --old-kernel  as --no-bus, on a kernel that strace makes look as if it
                                           had neither Landlock nor seccomp; only the first window

The program's home and temporary folders are empty folders of the test's own, which must still
be empty at the end. Without a bus the program cannot be read through AT-SPI, so the questionnaire
is answered by clicking at the places of its controls and the message boxes are found by title.
Without a bus the program is asked to say how it confined itself, and must say it once; with one it
is not asked, and must say nothing."""

import collections
import glob
import os
import re
import sys
import tempfile
import time

import layouts
from desktop import check, check_equal, play, program_on_display, wait_for
from scenarios import check_nothing_left, fake_errors, fake_formatting, quick_questionnaire, start_formatting

# Calls that change the file system when they succeed. Qt probes its runtime folder with a mkdir
# that cannot succeed, so the file system is judged by what changed, and failed attempts are only
# counted.
CHANGING_CALLS = {
    "creat", "mkdir", "mkdirat", "rmdir", "unlink", "unlinkat", "rename", "renameat", "renameat2",
    "link", "linkat", "symlink", "symlinkat", "mknod", "mknodat", "truncate", "ftruncate",
    "chmod", "fchmod", "fchmodat", "chown", "fchown", "lchown", "fchownat",
    "utime", "utimes", "utimensat", "futimesat",
    "setxattr", "lsetxattr", "fsetxattr", "removexattr", "lremovexattr", "fremovexattr"}
OPENING_CALLS = {"open", "openat", "openat2"}
WRITE_FLAGS = re.compile(r"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND|O_TMPFILE")
# What the program writes to standard error through its logging category.
LOG_LINE = '2, "scherzetto.confinement: '
CALL = re.compile(r"^(\w+)\((.*)\)\s+= (-?\d+|\?)(.*)$")


def click_control(desktop, title, caption):
    """Clicks the middle of a control, where the layout record of the window with this title
    places it inside the client area."""
    window_id = wait_for('the window "%s"' % title, lambda: desktop.window_ids(title))[0]
    x, y, _, _ = desktop.geometry(window_id)
    left, top, width, height = layouts.control(title, caption)
    middle_x, middle_y = x + left + width // 2, y + top + height // 2
    desktop.xdotool("mousemove", "--sync", str(middle_x), str(middle_y))
    desktop.xdotool("click", "1")


def box(desktop, title):
    wait_for('the box "%s"' % title, lambda: desktop.window_ids(title))


def questionnaire_by_x(desktop):
    wait_for('the window "Nome"', lambda: desktop.window_ids("Nome"))
    desktop.type("Gianni")
    click_control(desktop, "Nome", "Successivo")
    click_control(desktop, "Data di nascita", "Successivo")
    click_control(desktop, "Sesso", "Femmina")
    click_control(desktop, "Sesso", "Successivo")
    click_control(desktop, "Interessi", "Rock n' roll")
    click_control(desktop, "Interessi", "Successivo")
    wait_for('the window "Dati"', lambda: desktop.window_ids("Dati"))


def fake_errors_by_x(desktop):
    click_control(desktop, "Dati", "Esci")
    box(desktop, "Fatal Error")
    desktop.key("Escape")
    box(desktop, "Errore")
    # What fake_formatting expects to find, as start_formatting leaves it.
    desktop.window_log = desktop.watch_windows()
    desktop.key("Return")
    desktop.formatting_started = time.monotonic()


def the_end(desktop):
    """The joke's box, dismissed, ends the program. The finale's own step also times the
    farewell's five seconds from the moment the test sees the black window, which under strace
    comes late, so here the end is checked without the clock."""
    box(desktop, "Scherzetto, By ZEMBRACO")
    desktop.key("Return")
    check_equal(desktop.wait_for_exit(), 0, "exit status")
    check_nothing_left(desktop)


def read_trace(folder):
    """The system calls of every thread and process, from strace -ff: {pid: [(name, arguments,
    result, error)]}."""
    calls = {}
    for path in glob.glob(os.path.join(folder, "trace.*")):
        pid = int(path.rsplit(".", 1)[1])
        with open(path, errors="replace") as trace:
            calls[pid] = [match.groups() for match in map(CALL.match, trace) if match]
    return calls


def started_by_strace(calls, program_pid):
    """The process that strace started: the one traced process that no traced process created.
    Read from the trace itself, it does not hang on catching the process in /proc in time."""
    created = {int(result) for thread_calls in calls.values() for name, _, result, _ in thread_calls
               if name in ("clone", "clone3", "fork", "vfork") and result not in ("?",) and int(result) > 0}
    roots = set(calls) - created
    return roots.pop() if len(roots) == 1 else program_pid


def judge(calls, program_pid):
    """Checks the trace, prints what strace counted and returns what the program said about its
    confinement on standard error, one item a line."""
    program_pid = started_by_strace(calls, program_pid)
    faults = []
    counts = collections.Counter()
    read_paths = set()
    sockets = collections.Counter()
    for pid, thread_calls in calls.items():
        for index, (name, arguments, result, error) in enumerate(thread_calls):
            succeeded = result != "?" and int(result) >= 0
            if name in ("execve", "execveat"):
                if pid == program_pid and index == 0:
                    continue  # strace starting the program
                counts["execs"] += 1
                faults.append("ran a program: %s(%s)" % (name, arguments))
            elif name in ("fork", "vfork") or (name in ("clone", "clone3") and "CLONE_THREAD" not in arguments):
                counts["children"] += 1
                faults.append("started a process: %s(%s) = %s" % (name, arguments, result))
            elif name in ("clone", "clone3") and succeeded:
                counts["threads"] += 1
            elif name in ("socket", "socketpair"):
                family = arguments.split(",")[0]
                sockets[family] += 1
                if family != "AF_UNIX":
                    faults.append("opened a socket: %s(%s)" % (name, arguments))
            elif name in OPENING_CALLS:
                path = re.search(r'"([^"]*)"', arguments)
                if WRITE_FLAGS.search(arguments):
                    counts["write opens tried"] += 1
                    if succeeded:
                        faults.append("opened for writing: %s(%s)" % (name, arguments))
                elif succeeded:
                    counts["read-only opens"] += 1
                    read_paths.add(path.group(1) if path else arguments)
                else:
                    counts["opens that failed"] += 1
            elif name in CHANGING_CALLS:
                counts["changes tried"] += 1
                if succeeded:
                    faults.append("changed the file system: %s(%s)" % (name, arguments))
                else:
                    print("tried and failed: %s(%s) = %s%s" % (name, arguments, result, error))
    print("strace counted: %d read-only opens of %d files, %d opens that failed; %d opens for writing and "
          "%d file-system changes tried, %d done; sockets %s; %d programs run; %d threads and %d processes started"
          % (counts["read-only opens"], len(read_paths), counts["opens that failed"], counts["write opens tried"],
             counts["changes tried"], sum(fault.startswith(("opened for", "changed")) for fault in faults),
             dict(sockets) or "none", counts["execs"], counts["threads"], counts["children"]))
    check(not faults, "the program did more than reading and talking over Unix sockets:\n  " + "\n  ".join(faults))
    said = [arguments[len(LOG_LINE):].split('\\n"')[0] for thread_calls in calls.values()
            for name, arguments, _, _ in thread_calls if name == "write" and arguments.startswith(LOG_LINE)]
    for line in said:
        print("the program said: " + line)
    return said


def close_first_window(desktop):
    window_id = wait_for('the window "Nome"', lambda: desktop.window_ids("Nome"))[0]
    desktop.request_close(window_id)
    check_equal(desktop.wait_for_exit(), 0, "exit status")


SCENARIOS = {
    "--bus": (quick_questionnaire, fake_errors, start_formatting, fake_formatting, the_end),
    "--no-bus": (questionnaire_by_x, fake_errors_by_x, fake_formatting, the_end),
    "--old-kernel": (close_first_window,),
}


def main(program, mode):
    check(mode in SCENARIOS, "usage: test_harmless.py PROGRAM " + "|".join(SCENARIOS))
    with_bus = mode == "--bus"
    with tempfile.TemporaryDirectory() as work:
        home, temporary, traces = (os.path.join(work, name) for name in ("home", "tmp", "trace"))
        for folder in (home, temporary, traces):
            os.mkdir(folder, 0o700)
        variables = {"HOME": home, "TMPDIR": temporary}
        if not with_bus:
            # Nothing tells the program where a bus or its runtime folder would be.
            variables.update(DBUS_SESSION_BUS_ADDRESS=None, XDG_RUNTIME_DIR=None,
                             QT_LOGGING_RULES="scherzetto.confinement=true")
        traced = "%file,%process,socket,socketpair,ftruncate,fchmod,fchown,fsetxattr,fremovexattr,write"
        wrapper = ["strace", "-ff", "-qq", "-s", "256", "-o", os.path.join(traces, "trace")]
        if mode == "--old-kernel":
            traced += ",landlock_create_ruleset,seccomp"
            wrapper += ["-e", "inject=landlock_create_ruleset,seccomp:error=ENOSYS"]
        wrapper += ["-e", "trace=" + traced]

        def remember_pid(desktop):
            desktop.traced_pid = desktop.program_pid()

        def check_trace(desktop):
            said = judge(read_trace(traces), desktop.traced_pid)
            check_equal(len(said), 0 if with_bus else 1, "lines about the confinement on standard error")
            if mode == "--old-kernel":
                check(said[0].startswith("non confinato:"), "the program says that it is not confined")
            for folder in (home, temporary):
                check_equal(os.listdir(folder), [], "what the program left in " + folder)

        play(program_on_display([program], wrapper=wrapper, variables=variables), remember_pid, *SCENARIOS[mode],
             check_trace)


if __name__ == "__main__":
    main(*sys.argv[1:])
