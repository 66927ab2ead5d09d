#include "questionnaire/form1.h"
#include "shell/application.h"

int main(int argc, char* argv[])
{
    return shell::runApplication<Form1>(argc, argv,
        { .name = "scherzetto",
            .version = SCHERZETTO_VERSION,
            .desktopId = SCHERZETTO_APP_ID,
            .iconArt = ":/icons/man-and-woman.txt" });
}
