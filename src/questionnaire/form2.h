#pragma once

#include "shell/runtime.h"

// The birth-date window: day, month and year, each picked from a list or typed.
class Form2 final : public shell::Form
{
public:
    Form2();

    std::string giorno;
    std::string mese;
    std::string anno;

    // The three texts as one, the way the date conversion reads them: 15 Marzo 1985.
    static std::string dateText(const std::string& giorno, const std::string& mese, const std::string& anno);

private:
    void bindEvents(shell::EventBinder& on) override;
    void Command1_Click();
};
