#pragma once

#include "shell/runtime.h"

// The farewell window: black and title-less over the screen's corner, it reveals the joke after
// five seconds and ends the program.
class Form6 final : public shell::Form
{
public:
    Form6();

private:
    void bindEvents(shell::EventBinder& on) override;
    void Timer1_Timer();
};
