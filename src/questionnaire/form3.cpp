#include "form3.h"

#include "form4.h"
#include "shell/controls.h"

namespace {

using enum shell::ControlKind;

// clang-format off
constexpr shell::ControlRecord controls[] = {
    // name       kind           caption                 left  top   width height tab
    { "Label1",   Label,         "Selezionare il sesso", 480,  240,  1455, 255,   0 },
    { "Option1",  OptionButton,  "Maschio",              720,  600,  1095, 495,   1 },
    { "Option2",  OptionButton,  "Femmina",              720,  1200, 1095, 375,   2 },
    { "Command1", CommandButton, "Successivo",           480,  1800, 1575, 375,   3 },
};
// clang-format on

constexpr shell::FormLayout formLayout {
    .caption = "Sesso",
    .left = 4845,
    .top = 1170,
    .width = 2580,
    .height = 2430,
    .controls = controls,
};

}

Form3::Form3()
    : shell::Form(formLayout)
{
}

void Form3::bindEvents(shell::EventBinder& on)
{
    on.click("Command1", [this] { Command1_Click(); });
}

// Only "Maschio" is read: neither button selected counts as "Femmina".
void Form3::Command1_Click()
{
    sesso = control<shell::OptionButton>("Option1").value() != 0 ? 1 : 0;
    shell::Load<Form4>();
    shell::Show<Form4>();
}
