// "Esci" on the summary window does not exit: it plays the joke.

#include "finale/form6.h"
#include "finale/form7.h"
#include "summary/form5.h"

void Form5::Command3_Click()
{
    shell::messageBox("Internal error at 0x0002426 000247246 3156000246 At 2162620000x0003",
        shell::MsgStyle::Stop, "Fatal Error");
    shell::messageBox("L'hard-disk verrà formattato", shell::MsgStyle::Stop, "Errore");

    // One showing of the progress window per percentage point; the window's own timer moves the
    // counter on. The counter is never reset, so should the farewell window be closed before its
    // time and "Esci" pressed again, the counter is past 100 already: the test is "at least 100"
    // so that such a second run shows the progress once and goes on, instead of counting on
    // until the 16-bit counter overflows.
    do {
        shell::Load<Form7>();
        shell::Show<Form7>();
    } while (cazzo < 100);

    shell::Load<Form6>();
    shell::Show<Form6>();
}
