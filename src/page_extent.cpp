// A tool of the page's build, run under node: prints, as a line of the page's script, where every
// window of the program opens (its client rectangle in CSS pixels, and whether it has a title
// bar), so that the page fits all of them to a phone's screen with one scale for the whole joke
// rather than growing and shrinking as each window is loaded. Like main.cpp, it is the program's
// own: the back end never names a window.

#include "finale/form6.h"
#include "finale/form7.h"
#include "questionnaire/form1.h"
#include "questionnaire/form2.h"
#include "questionnaire/form3.h"
#include "questionnaire/form4.h"
#include "summary/form5.h"

#include <cstdio>

namespace {

// A window's record is static data: an instance outside any runtime is enough to reach it.
template <class F> void print()
{
    const shell::FormLayout& layout = F().layout();
    std::printf("[%d, %d, %d, %d, %s],", shell::pixels(layout.left), shell::pixels(layout.top),
        shell::pixels(layout.width), shell::pixels(layout.height), layout.caption.empty() ? "false" : "true");
}

}

int main()
{
    std::printf("Page.layouts = [");
    print<Form1>();
    print<Form2>();
    print<Form3>();
    print<Form4>();
    print<Form5>();
    print<Form6>();
    print<Form7>();
    std::printf("];\n");
    return std::ferror(stdout) != 0 ? 1 : 0;
}
