#include "form6.h"

namespace {

using enum shell::ControlKind;

// clang-format off
constexpr shell::ControlRecord controls[] = {
    // name     kind   caption left  top   width height tab
    { "Timer1", Timer, "",     3240, 1440, 0,    0,     shell::NoTabIndex, { .interval = 5000 } },
};
// clang-format on

// With its one-pixel border the window is exactly 800 by 600 pixels at the top-left corner.
constexpr shell::FormLayout formLayout {
    .caption = "",
    .left = 15,
    .top = 15,
    .width = 11970,
    .height = 8970,
    .controls = controls,
    .background = shell::SystemColour::WindowText,
    .pointer = shell::Pointer::NoDrop,
};

}

Form6::Form6()
    : shell::Form(formLayout)
{
}

void Form6::bindEvents(shell::EventBinder& on)
{
    on.timer("Timer1", [this] { Timer1_Timer(); });
}

// The timer keeps running while the box is open, but the runtime never enters this procedure
// again before it has returned, so there is one box and then the end.
void Form6::Timer1_Timer()
{
    shell::messageBox("Scherzetto", shell::MsgStyle::Information, "Scherzetto, By ZEMBRACO");
    shell::End();
}
