#include "questionnaire/form1.h"
#include "shell/application.h"

int main()
{
    return shell::runApplication<Form1>(
        { .name = "scherzetto", .version = SCHERZETTO_VERSION, .desktopId = SCHERZETTO_APP_ID });
}
