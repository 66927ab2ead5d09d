#include "finale/form6.h"
#include "finale/form7.h"
#include "questionnaire/form1.h"
#include "questionnaire/form2.h"
#include "questionnaire/form3.h"
#include "questionnaire/form4.h"
#include "summary/form5.h"

#include <QRect>
#include <QTest>

#include <set>

using shell::ControlKind;

Q_DECLARE_METATYPE(const shell::FormLayout*)

namespace {

// A window's layout record is static data; an instance outside any runtime is enough to reach it.
template <class F> const shell::FormLayout* layoutOf()
{
    return &F().layout();
}

const char* name(const shell::ControlRecord& control)
{
    return control.name.data();
}

bool contains(int outerWidth, int outerHeight, int left, int top, int width, int height)
{
    return left >= 0 && top >= 0 && width > 0 && height > 0 && left + width <= outerWidth
        && top + height <= outerHeight;
}

}

// Invariants that every window's layout record must keep. Each test runs once per window.
class TestLayouts : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data()
    {
        // Where each client area opens, in pixels at 96 dots per inch. The end-to-end tests check
        // that the windows open where their records say; this checks the records themselves.
        QTest::addColumn<const shell::FormLayout*>("layout");
        QTest::addColumn<QRect>("place");
        QTest::newRow("Form1") << layoutOf<Form1>() << QRect(260, 50, 312, 131);
        QTest::newRow("Form2") << layoutOf<Form2>() << QRect(295, 64, 251, 190);
        QTest::newRow("Form3") << layoutOf<Form3>() << QRect(323, 78, 172, 162);
        QTest::newRow("Form4") << layoutOf<Form4>() << QRect(316, 99, 207, 257);
        QTest::newRow("Form5") << layoutOf<Form5>() << QRect(260, 113, 298, 166);
        QTest::newRow("Form6") << layoutOf<Form6>() << QRect(1, 1, 798, 598);
        QTest::newRow("Form7") << layoutOf<Form7>() << QRect(336, 260, 163, 72);
    }

    void everyWindowOpensAtItsPlace()
    {
        QFETCH_GLOBAL(const shell::FormLayout*, layout);
        QFETCH_GLOBAL(QRect, place);
        QCOMPARE(QRect(shell::pixels(layout->left), shell::pixels(layout->top), shell::pixels(layout->width),
                     shell::pixels(layout->height)),
            place);
    }

    void everyControlFitsItsWindowAndTheScreen()
    {
        QFETCH_GLOBAL(const shell::FormLayout*, layout);
        const int screenWidth = 800 * shell::TwipsPerPixel;
        const int screenHeight = 600 * shell::TwipsPerPixel;
        QVERIFY(
            contains(screenWidth, screenHeight, layout->left, layout->top, layout->width, layout->height));
        for (const shell::ControlRecord& control : layout->controls) {
            if (control.kind == ControlKind::Timer) {
                QVERIFY2(control.options.interval > 0, name(control));
                QVERIFY2(control.tabIndex == shell::NoTabIndex, name(control));
                continue;
            }
            QVERIFY2(contains(layout->width, layout->height, control.left, control.top, control.width,
                         control.height),
                name(control));
        }
    }

    void namesAndTabIndicesAreUnique()
    {
        QFETCH_GLOBAL(const shell::FormLayout*, layout);
        std::set<std::string_view> names;
        std::set<int> tabIndices;
        for (const shell::ControlRecord& control : layout->controls) {
            QVERIFY2(names.insert(control.name).second, name(control));
            if (control.kind != ControlKind::Timer)
                QVERIFY2(tabIndices.insert(control.tabIndex).second, name(control));
        }
    }

    // Screen readers name a text or combo box by the label that names it as its buddy.
    void everyEditableBoxIsNamedByALabel()
    {
        QFETCH_GLOBAL(const shell::FormLayout*, layout);
        std::set<std::string_view> named;
        for (const shell::ControlRecord& label : layout->controls) {
            if (label.options.buddy.empty())
                continue;
            QVERIFY2(label.kind == ControlKind::Label, name(label));
            const int buddy = shell::controlIndex(*layout, label.options.buddy);
            QVERIFY2(buddy >= 0, name(label));
            const ControlKind kind = layout->controls[std::size_t(buddy)].kind;
            QVERIFY2(kind == ControlKind::TextBox || kind == ControlKind::ComboBox, name(label));
            named.insert(label.options.buddy);
        }
        for (const shell::ControlRecord& control : layout->controls) {
            if (control.kind == ControlKind::TextBox || control.kind == ControlKind::ComboBox)
                QVERIFY2(named.contains(control.name), name(control));
        }
    }
};

QTEST_APPLESS_MAIN(TestLayouts)
#include "tst_layouts.moc"
