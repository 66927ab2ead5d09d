#include "form1.h"

#include "form2.h"
#include "icon_art.h"
#include "shell/controls.h"

namespace {

using enum shell::ControlKind;

// clang-format off
constexpr shell::ControlRecord controls[] = {
    // name       kind           caption       left  top   width height tab
    { "Text1",    TextBox,       "",           1320, 240,  2895, 285,   0 },
    { "Text2",    TextBox,       "",           1320, 720,  2895, 285,   1 },
    { "Label1",   Label,         "Nome:",      360,  240,  615,  255,   2, { .buddy = "Text1" } },
    { "Label2",   Label,         "Cognome:",   360,  720,  855,  255,   3, { .buddy = "Text2" } },
    { "Command1", CommandButton, "Successivo", 1440, 1320, 1695, 375,   4 },
};
// clang-format on

constexpr shell::FormLayout formLayout {
    .caption = "Nome",
    .left = 3900,
    .top = 750,
    .width = 4680,
    .height = 1965,
    .controls = controls,
    .iconArt = &manAndWomanArt,
};

}

Form1::Form1()
    : shell::Form(formLayout)
{
}

void Form1::bindEvents(shell::EventBinder& on)
{
    on.click("Command1", [this] { Command1_Click(); });
}

// The texts are taken as typed: empty names are as welcome as any.
void Form1::Command1_Click()
{
    nome = control<shell::TextBox>("Text1").text();
    cognome = control<shell::TextBox>("Text2").text();
    shell::Load<Form2>();
    shell::Show<Form2>();
}
