#pragma once

#include "shell/runtime.h"

// The birth-date window: day, month and year, each picked from a list or typed.
class Form2 final : public shell::Form
{
public:
    Form2();

    QString giorno;
    QString mese;
    QString anno;

    // The three texts as one, the way the date conversion reads them: 15 Marzo 1985.
    static QString dateText(const QString& giorno, const QString& mese, const QString& anno);

private:
    void bindEvents(shell::EventBinder& on) override;
    void Command1_Click();
};
