#pragma once

#include "shell/runtime.h"

// The interests window: six check boxes whose choices go straight into the summary window.
class Form4 final : public shell::Form
{
public:
    Form4();

    // Declared for the interests, but the choices are never stored here: they stay 0.
    qint16 pesca = 0;
    qint16 nuoto = 0;
    qint16 subbo = 0;
    qint16 droga = 0;
    qint16 rock = 0;
    qint16 inter = 0;

private:
    void bindEvents(shell::EventBinder& on) override;
    void Command1_Click();
};
