#pragma once

#include "shell/runtime.h"

// The fake formatting progress window. Each load shows the counter of the summary window as a
// percentage; its first timer tick adds one to the counter and unloads the window.
class Form7 final : public shell::Form
{
public:
    Form7();

private:
    void Form_Load() override;
    void bindEvents(shell::EventBinder& on) override;
    void Timer1_Timer();
};
