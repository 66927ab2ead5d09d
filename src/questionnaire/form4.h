#pragma once

#include "shell/runtime.h"

// The interests window: six check boxes whose choices go straight into the summary window.
class Form4 final : public shell::Form
{
public:
    Form4();

    // Declared for the interests, but the choices are never stored here: they stay 0.
    std::int16_t pesca = 0;
    std::int16_t nuoto = 0;
    std::int16_t subbo = 0;
    std::int16_t droga = 0;
    std::int16_t rock = 0;
    std::int16_t inter = 0;

private:
    void bindEvents(shell::EventBinder& on) override;
    void Command1_Click();
};
