#include "form5.h"

#include "questionnaire/form1.h"
#include "questionnaire/form2.h"
#include "questionnaire/form3.h"
#include "shell/controls.h"
#include "shell/conversions.h"

namespace {

using enum shell::ControlKind;

// clang-format off
constexpr shell::ControlRecord controls[] = {
    // name       kind           caption             left  top   width height tab
    { "Label1",   Label,         "",                 1560, 120,  2535, 255,   0 },
    { "Label2",   Label,         "Nome e cognome:",  120,  120,  1335, 255,   1 },
    { "Text1",    TextBox,       "",                 1560, 600,  2775, 285,   2, { .locked = true } },
    { "Label3",   Label,         "Data di nascita:", 120,  600,  1215, 255,   3, { .buddy = "Text1" } },
    { "Label4",   Label,         "Sesso:",           120,  1080, 1335, 255,   4 },
    { "Command1", CommandButton, "Maschio",          1560, 1080, 1335, 255,   5, { .disabled = true } },
    { "Command2", CommandButton, "Femmina",          3000, 1080, 1335, 255,   6, { .disabled = true } },
    { "Label5",   Label,         "Interessi:",       120,  1440, 1335, 255,   7, { .buddy = "Combo1" } },
    { "Combo1",   ComboBox,      "Combo1",           1560, 1440, 1335, 315,   8, { .locked = true } },
    { "Command3", CommandButton, "Esci",             1320, 1920, 1935, 375,   9 },
};
// clang-format on

constexpr shell::FormLayout formLayout {
    .caption = "Dati",
    .left = 3900,
    .top = 1695,
    .width = 4470,
    .height = 2490,
    .controls = controls,
};

}

Form5::Form5()
    : shell::Form(formLayout)
{
}

void Form5::bindEvents(shell::EventBinder& on)
{
    on.click("Command1", [this] { Command1_Click(); });
    on.click("Command2", [this] { Command2_Click(); });
    on.click("Command3", [this] { Command3_Click(); });
}

// The other windows' answers are read through their instances; none of those windows is loaded.
void Form5::Form_Load()
{
    const Form1& name = shell::form<Form1>();
    control<shell::Label>("Label1").setCaption(name.nome + ' ' + name.cognome);

    const Form2& birth = shell::form<Form2>();
    const shell::Date date = shell::dateFromText(Form2::dateText(birth.giorno, birth.mese, birth.anno));
    control<shell::TextBox>("Text1").setText(shell::dateToText(date));

    // Both buttons start disabled, so exactly one of them becomes usable.
    if (shell::form<Form3>().sesso == 1)
        control<shell::CommandButton>("Command1").setEnabled(true);
    else
        control<shell::CommandButton>("Command2").setEnabled(true);
}

void Form5::Command1_Click()
{
    shell::messageBox("Sei un maschio", shell::MsgStyle::Information, "Maschio");
}

void Form5::Command2_Click()
{
    shell::messageBox("sei una femmina", shell::MsgStyle::Information, "Femmina");
}
