#pragma once

#include "shell/runtime.h"

// The name window, the first one the user sees: first name and surname.
class Form1 final : public shell::Form
{
public:
    Form1();

    std::string nome;
    std::string cognome;

private:
    void bindEvents(shell::EventBinder& on) override;
    void Command1_Click();
};
