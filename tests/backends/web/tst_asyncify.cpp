// The web back end's one assumption about its compiler: with Debian's em++ and -fexceptions
// -sASYNCIFY, a wait for a promise inside nested try blocks, with objects to destroy on every
// level, resumes where it was, and an exception thrown afterwards unwinds every level to main. That
// is how End leaves the procedures waiting in their modal Shows. Runs under node; exit status 0
// when all of it holds.

#include <emscripten.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

EM_ASYNC_JS(int, waitForPage, (int level), {
    return await new Promise(resolve => setTimeout(() => resolve(level * 10), 5));
});

std::string trail;

struct Ending
{
};

struct Frame
{
    int level;
    ~Frame() { trail += "~" + std::to_string(level); }
};

// Each level waits, as a modal Show does, then opens the next; the innermost one ends everything.
void show(int level)
{
    Frame frame { level };
    try {
        trail += "w" + std::to_string(waitForPage(level) / 10);
        if (level < 3)
            show(level + 1);
        else
            throw Ending {};
    } catch (const std::runtime_error&) {
        trail += "wrong handler";
    }
    trail += "resumed after the end";
}

}

int main()
{
    try {
        show(1);
    } catch (const Ending&) {
        trail += " main";
    }
    const std::string expected = "w1w2w3~3~2~1 main";
    std::printf("%s: %s\n", trail == expected ? "passed" : "FAILED", trail.c_str());
    return trail == expected ? 0 : 1;
}
