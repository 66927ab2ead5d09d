#pragma once

#include "shell/runtime.h"

// The sex window: "Maschio" or "Femmina".
class Form3 final : public shell::Form
{
public:
    Form3();

    // 1 when "Maschio" was selected, otherwise 0; deliberately not the boolean true (-1).
    std::int16_t sesso = 0;

private:
    void bindEvents(shell::EventBinder& on) override;
    void Command1_Click();
};
