#include "backend.h"

#include "shell/application.h"

#include <emscripten.h>

namespace shell {

namespace {

    EM_JS(void, endPage, (int status), { Page.end(status); });

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
    return status;
}

}
