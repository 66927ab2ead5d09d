#include "questionnaire/form1.h"
#include "shell/application.h"

int main(int argc, char* argv[])
{
    return shell::runApplication<Form1>(argc, argv,
        { .name = "scherzetto",
            .version = "1.00",
            .desktopId = "io.github.scherzetto.scherzetto",
            .iconArt = ":/icons/man-and-woman.txt" });
}
