#include "backend.h"

#include "shell/application.h"

#include <emscripten.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/lsan_interface.h>
#define SCHERZETTO_CHECK_LEAKS
#endif
#endif

namespace shell {

namespace {

    EM_JS(void, endPage, (int status), { Page.end(status); });

    // The sanitizers' build looks for leaks once the program has ended, as LeakSanitizer does at a
    // desktop program's exit: a page's runtime never exits. The page is marked once it has looked.
    EM_JS(void, markLeaksChecked, (), { document.documentElement.dataset.leaksChecked = 'true'; });

    void checkLeaks()
    {
#ifdef SCHERZETTO_CHECK_LEAKS
        __lsan_do_recoverable_leak_check();
        markLeaksChecked();
#endif
    }

}

// The page has no command line, no environment and nothing to set up: the program starts with the
// page and, once it has ended, leaves the page empty.
int runApplication(const ApplicationInfo& info, StartForm startForm)
{
    (void)info;
    int status = 1;
    {
        webbackend::WebBackend backend;
        Runtime runtime(backend);
        status = runtime.run(startForm(runtime));
    }
    endPage(status);
    checkLeaks();
    return status;
}

}
