#include "form7.h"

#include "shell/controls.h"
#include "shell/conversions.h"
#include "summary/form5.h"

namespace {

using enum shell::ControlKind;

// "Cancel" has no event procedure on purpose: there is nothing to cancel.
// clang-format off
constexpr shell::ControlRecord controls[] = {
    // name       kind           caption   left  top  width height tab
    { "Command1", CommandButton, "Cancel", 480,  600, 1335, 375,   0 },
    { "Label1",   Label,         "Label1", 120,  120, 2175, 255,   1 },
    { "Timer1",   Timer,         "",       1920, 480, 0,    0,     shell::NoTabIndex, { .interval = 10 } },
};
// clang-format on

constexpr shell::FormLayout formLayout {
    .caption = "Form7",
    .left = 5040,
    .top = 3900,
    .width = 2445,
    .height = 1080,
    .controls = controls,
};

}

Form7::Form7()
    : shell::Form(formLayout)
{
}

void Form7::bindEvents(shell::EventBinder& on)
{
    on.timer("Timer1", [this] { Timer1_Timer(); });
}

// The caption is built at load, before this load's increment: the percentages run from 0 to 99.
void Form7::Form_Load()
{
    const std::int16_t cazzo = shell::form<Form5>().cazzo;
    control<shell::Label>("Label1").setCaption("Formattazione in corso " + shell::integerToText(cazzo) + '%');
}

void Form7::Timer1_Timer()
{
    Form5& summary = shell::form<Form5>();
    summary.cazzo = shell::increment(summary.cazzo);
    shell::Unload<Form7>();
}
