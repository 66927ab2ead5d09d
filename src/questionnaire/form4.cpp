#include "form4.h"

#include "shell/controls.h"
#include "summary/form5.h"

#include <utility>

namespace {

using enum shell::ControlKind;

// clang-format off
constexpr shell::ControlRecord controls[] = {
    // name       kind           caption                      left top   width height tab
    { "Label1",   Label,         "Selezionare gli interessi", 720, 240,  1815, 255,   0, { .textColour = shell::SystemColour::ToolTipText } },
    { "Check1",   CheckBox,      "Pesca",                     720, 840,  1695, 315,   1 },
    { "Check2",   CheckBox,      "Nuoto",                     720, 1200, 1695, 255,   2 },
    { "Check3",   CheckBox,      "Sub",                       720, 1560, 1695, 255,   3 },
    { "Check4",   CheckBox,      "Droga",                     720, 1920, 1695, 255,   4 },
    { "Check5",   CheckBox,      "Rock n' roll",              720, 2280, 1695, 255,   5 },
    { "Check6",   CheckBox,      "Internet",                  720, 2640, 1695, 255,   6 },
    { "Command1", CommandButton, "Successivo",                600, 3240, 2055, 375,   7 },
};
// clang-format on

constexpr shell::FormLayout formLayout {
    .caption = "Interessi",
    .left = 4740,
    .top = 1485,
    .width = 3105,
    .height = 3855,
    .controls = controls,
};

// The item that each ticked box appends to the summary's list: lower case, not the caption.
constexpr std::pair<std::string_view, std::string_view> interests[] = {
    { "Check1", "pesca" },
    { "Check2", "nuoto" },
    { "Check3", "sub" },
    { "Check4", "droga" },
    { "Check5", "rock" },
    { "Check6", "internet" },
};

}

Form4::Form4()
    : shell::Form(formLayout)
{
}

void Form4::bindEvents(shell::EventBinder& on)
{
    on.click("Command1", [this] { Command1_Click(); });
}

// The first touch of the summary's combo box loads the summary window, whose Form_Load fills in
// the other answers before the first interest is appended.
void Form4::Command1_Click()
{
    for (const auto& [box, item] : interests) {
        if (control<shell::CheckBox>(box).value() == 1)
            shell::form<Form5>().control<shell::ComboBox>("Combo1").addItem(item);
    }
    auto summaryInterests = shell::form<Form5>().control<shell::ComboBox>("Combo1");
    summaryInterests.setText(summaryInterests.list(0));
    shell::Load<Form5>();
    shell::Show<Form5>();
}
