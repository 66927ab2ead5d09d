#pragma once

#include "shell/runtime.h"

// The summary window "Dati": the collected answers, with one usable sex button, and "Esci".
class Form5 final : public shell::Form
{
public:
    Form5();

    // The counter of the fake formatting.
    std::int16_t cazzo = 0;

private:
    void Form_Load() override;
    void bindEvents(shell::EventBinder& on) override;
    void Command1_Click();
    void Command2_Click();
    // "Esci": the fake formatting finale, kept with the windows it drives.
    void Command3_Click();
};
