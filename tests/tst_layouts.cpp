#include "questionnaire/form1.h"
#include "questionnaire/form2.h"
#include "questionnaire/form3.h"
#include "questionnaire/form4.h"
#include "shell/controls.h"
#include "summary/form5.h"
#include "support/testsupport.h"

#include <QTest>

#include <set>

using namespace testsupport;
using shell::ControlKind;

namespace {

// Every window of the program. The summary reads a date of birth when it loads, so one is given.
std::vector<shell::Form*> everyWindow()
{
    Form2& birth = shell::form<Form2>();
    std::tie(birth.giorno, birth.mese, birth.anno)
        = std::tuple(QStringLiteral("1"), QStringLiteral("Gennaio"), QStringLiteral("1980"));
    return { &shell::form<Form1>(), &shell::form<Form2>(), &shell::form<Form3>(), &shell::form<Form4>(),
        &shell::form<Form5>() };
}

QString where(const shell::Form& form, const shell::ControlRecord& control)
{
    return shell::text(form.layout().caption) + u'.' + shell::text(control.name);
}

}

// Invariants that every window's layout record must keep, checked over all of them at once.
class TestLayouts : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QTRY_VERIFY(noWindowLeft()); }

    void everyControlFitsItsWindowAndTheScreen()
    {
        RuntimeFixture fixture;
        const QRect screen(0, 0, 800 * shell::TwipsPerPixel, 600 * shell::TwipsPerPixel);
        for (const shell::Form* form : everyWindow()) {
            const shell::FormLayout& layout = form->layout();
            const QRect client(layout.left, layout.top, layout.width, layout.height);
            QVERIFY2(screen.contains(client), layout.caption.data());
            for (const shell::ControlRecord& control : layout.controls) {
                if (control.kind == ControlKind::Timer) {
                    QVERIFY2(control.options.interval > 0, qPrintable(where(*form, control)));
                    QCOMPARE(control.tabIndex, shell::NoTabIndex);
                    continue;
                }
                const QRect area(control.left, control.top, control.width, control.height);
                QVERIFY2(QRect(0, 0, layout.width, layout.height).contains(area),
                    qPrintable(where(*form, control)));
            }
        }
    }

    void namesAndTabIndicesAreUnique()
    {
        RuntimeFixture fixture;
        for (const shell::Form* form : everyWindow()) {
            std::set<std::string_view> names;
            std::set<int> tabIndices;
            for (const shell::ControlRecord& control : form->layout().controls) {
                QVERIFY2(names.insert(control.name).second, qPrintable(where(*form, control)));
                if (control.kind != ControlKind::Timer)
                    QVERIFY2(tabIndices.insert(control.tabIndex).second, qPrintable(where(*form, control)));
            }
        }
    }

    // Screen readers name a text or combo box by its label, so each has one.
    void everyEditableBoxHasALabel()
    {
        RuntimeFixture fixture;
        for (shell::Form* form : everyWindow()) {
            for (const shell::ControlRecord& control : form->layout().controls) {
                if (control.kind != ControlKind::TextBox && control.kind != ControlKind::ComboBox)
                    continue;
                QWidget* box = &form->control<QWidget>(control.name);
                const QList<QLabel*> labels = form->window()->findChildren<QLabel*>();
                QVERIFY2(
                    std::any_of(labels.begin(), labels.end(), [box](QLabel* l) { return l->buddy() == box; }),
                    qPrintable(where(*form, control)));
            }
        }
    }

    void everyWindowLoadsWithFocusOnItsFirstControl()
    {
        RuntimeFixture fixture;
        for (shell::Form* form : everyWindow()) {
            shell::Runtime::current().load(*form);
            QVERIFY(form->isLoaded());
            QVERIFY(!fixture.runtime.isEnding());
            const shell::ControlRecord* first = nullptr;
            for (const shell::ControlRecord& control : form->layout().controls) {
                const bool focusable = control.kind != ControlKind::Label
                    && control.kind != ControlKind::Timer && !control.options.disabled;
                if (focusable && (!first || control.tabIndex < first->tabIndex))
                    first = &control;
            }
            QVERIFY(first);
            QWidget* expected = &form->control<QWidget>(first->name);
            QVERIFY2(form->window()->focusWidget() == expected
                    || form->window()->focusWidget() == expected->focusProxy(),
                qPrintable(where(*form, *first)));
        }
    }
};

QTEST_MAIN(TestLayouts)
#include "tst_layouts.moc"
