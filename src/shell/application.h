#pragma once

#include "runtime.h"

namespace shell {

struct ApplicationInfo
{
    const char* name; // also the program name in messages on standard error
    const char* version;
    const char* desktopId; // reverse-DNS id of the desktop entry
};

using StartForm = Form& (*)(Runtime&);

// Starts the toolkit that the build chose, shows the window that startForm gives, runs the
// program and returns its exit status: 0 after End or once the last window is closed, 1 after a
// runtime error or when no display can be opened. Each back end implements this once. The
// command line is ignored: the program has no options.
int runApplication(const ApplicationInfo& info, StartForm startForm);

template <class F> int runApplication(const ApplicationInfo& info)
{
    return runApplication(info, [](Runtime& runtime) -> Form& { return runtime.instance<F>(); });
}

}
