#include "form2.h"

#include "form3.h"
#include "shell/controls.h"
#include "shell/conversions.h"

namespace {

using enum shell::ControlKind;

std::vector<std::string> days()
{
    return shell::numberRange(1, 31);
}

std::vector<std::string> months()
{
    return { "Gennaio", "Febbraio", "Marzo", "Aprile", "Maggio", "Giugno", "Luglio", "Agosto", "Settembre",
        "Ottobre", "Novembre", "Dicembre" };
}

std::vector<std::string> years()
{
    return shell::numberRange(1980, 1998);
}

// clang-format off
constexpr shell::ControlRecord controls[] = {
    // name       kind           caption                        left  top   width height tab
    { "Label1",   Label,         "Giorno",                      480,  600,  1215, 255,   0, { .buddy = "Combo1" } },
    { "Label2",   Label,         "Mese",                        480,  1080, 1095, 255,   1, { .buddy = "Combo2" } },
    { "Label3",   Label,         "Anno",                        480,  1560, 1095, 255,   2, { .buddy = "Combo3" } },
    { "Label4",   Label,         "Inserire la data di nascita", 360,  120,  2535, 255,   3 },
    { "Combo1",   ComboBox,      "1",                           1800, 600,  1455, 315,   4, { .items = days } },
    { "Combo2",   ComboBox,      "Gennaio",                     1800, 1080, 1455, 315,   5, { .items = months } },
    { "Combo3",   ComboBox,      "1980",                        1800, 1560, 1455, 315,   6, { .items = years } },
    { "Command1", CommandButton, "Successivo",                  720,  2280, 2055, 375,   7 },
};
// clang-format on

constexpr shell::FormLayout formLayout {
    .caption = "Data di nascita",
    .left = 4425,
    .top = 960,
    .width = 3765,
    .height = 2850,
    .controls = controls,
};

}

Form2::Form2()
    : shell::Form(formLayout)
{
}

std::string Form2::dateText(const std::string& giorno, const std::string& mese, const std::string& anno)
{
    return giorno + ' ' + mese + ' ' + anno;
}

void Form2::bindEvents(shell::EventBinder& on)
{
    on.click("Command1", [this] { Command1_Click(); });
}

void Form2::Command1_Click()
{
    auto day = control<shell::ComboBox>("Combo1");
    const std::string dayText = day.text();
    const std::string monthText = control<shell::ComboBox>("Combo2").text();
    const std::string yearText = control<shell::ComboBox>("Combo3").text();

    // A date that does not exist ("31 Febbraio", a year typed as letters) would only fail in the
    // summary window, ending the whole program. It is caught here instead, with the same
    // conversion the summary uses, while the user can still mend it.
    if (!shell::parseDate(dateText(dayText, monthText, yearText))) {
        shell::messageBox("Data di nascita non valida", shell::MsgStyle::Exclamation, "Data di nascita");
        day.setFocus();
        return;
    }

    giorno = dayText;
    mese = monthText;
    anno = yearText;
    shell::Load<Form3>();
    shell::Show<Form3>();
}
