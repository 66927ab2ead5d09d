#pragma once

#include "runtime.h"

#include <functional>

namespace shell {

struct ApplicationInfo
{
    const char* name; // also the program name in messages on standard error
    const char* version;
    const char* desktopId; // reverse-DNS id of the desktop entry
    const char* iconArt; // resource path of the program's icon, as text pixel art
};

// Starts the GUI with the window F shown, runs it, and returns the exit status: 0 after End or
// once the last window is closed, 1 after a runtime error or when no display can be opened.
int runApplication(
    int& argc, char** argv, const ApplicationInfo& info, const std::function<Form&(Runtime&)>& startForm);

template <class F> int runApplication(int& argc, char** argv, const ApplicationInfo& info)
{
    return runApplication(argc, argv, info, [](Runtime& runtime) -> Form& { return runtime.instance<F>(); });
}

}
