#include "questionnaire/form1.h"
#include "shell/application.h"

#ifdef _WIN32
#include <windows.h>

// A Unicode Windows program starts here; like everywhere, it takes no command line.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
#else
int main()
#endif
{
    return shell::runApplication<Form1>(
        { .name = "scherzetto", .version = SCHERZETTO_VERSION, .desktopId = SCHERZETTO_APP_ID });
}
