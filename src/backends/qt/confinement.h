#pragma once

// Self-confinement on Linux. Once the GUI is up, the program has every file and library it will
// ever need open, and needs nothing more from the system than to read files and talk over Unix
// sockets (to the X server and the accessibility bus). It therefore gives up, for good and for
// every thread it will start, the rights to change the file system, to use the network, to run
// another program and to start another process:
//
// - Landlock refuses every write-type access to the file system everywhere (writing, truncating,
//   creating, removing, renaming and linking files, folders, sockets, pipes and devices), and
//   refuses running a file; where the kernel's Landlock can, it also refuses TCP bind and connect.
// - A seccomp filter refuses sockets of any family but AF_UNIX, execve and execveat, and fork,
//   vfork and clone for anything but a thread. It refuses with an error number, never by killing
//   the process, so that a library that tries one of these just sees it fail.
//
// This file includes nothing of Qt, so that a test program can link it alone.

#include <string>

namespace confinement {

struct Outcome
{
    // The Landlock ABI version that the kernel offers, 0 where it has no Landlock.
    int landlockAbi = 0;
    // Write-type file-system access is refused everywhere.
    bool fileSystem = false;
    // TCP bind and connect are refused by Landlock as well (Landlock ABI 4 and later).
    bool tcp = false;
    // The seccomp filter is in place, on every thread of the process.
    bool seccomp = false;
    // Why a part could not be put in place; empty when everything was.
    std::string problem;

    bool complete() const { return fileSystem && seccomp; }
};

// Confines the calling process as described above. It cannot be undone. Where the kernel lacks
// Landlock or seccomp, that part is left out and the outcome says why; the program runs on.
Outcome confineSelf();

// One line that tells what confineSelf() achieved, in the program's language.
std::string describe(const Outcome& outcome);

}
