#include "backends/qt/backend.h"
#include "backends/qt/controls.h"
#include "backends/qt/timer.h"
#include "finale/form6.h"
#include "finale/form7.h"
#include "questionnaire/form1.h"
#include "questionnaire/form2.h"
#include "questionnaire/form3.h"
#include "questionnaire/form4.h"
#include "shell/controls.h"
#include "summary/form5.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QStyleOptionFrame>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// The program's windows on Qt, for one test.
struct QtFixture
{
    qtbackend::QtBackend backend;
    shell::Runtime runtime { backend };

    QtFixture()
    {
        // The summary reads a date of birth when it loads. The strings are moved in: GCC 12 at -O3
        // warns falsely (-Wrestrict) when a std::string is assigned a short character array.
        Form2& birth = shell::form<Form2>();
        std::tie(birth.giorno, birth.mese, birth.anno)
            = std::tuple(std::string("1"), std::string("Gennaio"), std::string("1980"));
    }

    std::vector<shell::Form*> everyWindow() const
    {
        return { &shell::form<Form1>(), &shell::form<Form2>(), &shell::form<Form3>(), &shell::form<Form4>(),
            &shell::form<Form5>(), &shell::form<Form6>(), &shell::form<Form7>() };
    }
};

template <class F> QWidget* loaded()
{
    shell::Load<F>();
    return qtbackend::widgetOf(shell::form<F>().nativeWindow());
}

template <class F> QWidget* shown()
{
    QWidget* window = loaded<F>();
    shell::Runtime::current().showModeless(shell::form<F>());
    return window;
}

template <class W> W* child(QWidget* window, const char* name)
{
    W* found = window->findChild<W*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// The width a control needs to show its text unclipped, as its style lays it out: the text's
// advance in the control's own font and the style's indicator, spacing, margins and frame.
int neededWidth(const QWidget* control)
{
    if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth
            = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
        const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
        // A line edit keeps two pixels clear on either side of its text.
        constexpr int textMargin = 2;
        return edit->width() - contents.width() + 2 * textMargin
            + edit->fontMetrics().horizontalAdvance(edit->text());
    }
    return control->sizeHint().width();
}

// Every text of the window that does not fit its control, and every control that is not in the
// back end's one font. A combo box is tried with each of its items in its text part. The window is
// shown, as only then are the controls laid out inside their rectangles.
QStringList misfits(QWidget* window, const QFont& font)
{
    window->show();
    QStringList found;
    const auto check = [&](QWidget* control, const QString& text) {
        // The text part of a combo box goes by the box's name.
        const QWidget* named = control->objectName().isEmpty() ? control->parentWidget() : control;
        const QString name = window->windowTitle() + u' ' + named->objectName();
        if (control->font() != font || QFontInfo(control->font()).pixelSize() != QFontInfo(font).pixelSize())
            found << name + QStringLiteral(" is in ") + control->font().toString();
        if (neededWidth(control) > control->width())
            found << QStringLiteral("%1 \"%2\" needs %3 px, has %4")
                         .arg(name, text)
                         .arg(neededWidth(control))
                         .arg(control->width());
    };
    for (auto* label : window->findChildren<QLabel*>())
        check(label, label->text());
    for (auto* button : window->findChildren<QAbstractButton*>())
        check(button, button->text());
    for (auto* edit : window->findChildren<QLineEdit*>()) {
        auto* combo = qobject_cast<QComboBox*>(edit->parentWidget());
        const QString shown = edit->text();
        for (int i = 0; combo && i < combo->count(); ++i) {
            edit->setText(combo->itemText(i));
            check(edit, edit->text());
        }
        edit->setText(shown);
        check(edit, shown);
    }
    return found;
}

}

// What only the Qt back end does: how windows and controls look and answer on a Qt desktop.
class TestQtBackend : public QObject
{
    Q_OBJECT
private slots:
    void windowsOpenWhereTheirLayoutSaysWithACaptionOnlyFrame()
    {
        QtFixture fixture;
        const QWidget* nome = loaded<Form1>();
        QCOMPARE(nome->geometry(), QRect(260, 50, 312, 131));
        QCOMPARE(nome->windowTitle(), QStringLiteral("Nome"));
        QVERIFY(!(nome->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)));
        QCOMPARE(nome->minimumSize(), nome->maximumSize());

        // Without a caption there is no title bar, only a one-pixel border around the client area:
        // 800 by 600 pixels at the corner, black, with the no-drop pointer and nothing visible in it.
        QWidget* farewell = loaded<Form6>();
        QVERIFY(farewell->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(farewell->frameGeometry(), QRect(0, 0, 800, 600));
        QCOMPARE(
            farewell->palette().color(QPalette::Window), farewell->palette().color(QPalette::WindowText));
        QCOMPARE(farewell->cursor().shape(), Qt::ForbiddenCursor);
        const QList<QWidget*> children = farewell->findChildren<QWidget*>();
        QVERIFY(std::none_of(
            children.begin(), children.end(), [](QWidget* w) { return w->isVisibleTo(w->window()); }));
    }

    void onlyTheNameWindowCarriesTheIcon()
    {
        QtFixture fixture;
        for (shell::Form* form : fixture.everyWindow()) {
            shell::Runtime::current().load(*form);
            const bool hasIcon
                = !qtbackend::widgetOf(form->nativeWindow())->windowIcon().availableSizes().isEmpty();
            QCOMPARE(hasIcon, form == &shell::form<Form1>());
        }
        QVERIFY(QApplication::windowIcon().isNull());
    }

    // Focus starts on the first control in tab order that can take it, and every text or combo box
    // is named by its label, as screen readers announce it.
    void focusAndLabelsFollowTheLayout()
    {
        QtFixture fixture;
        for (shell::Form* form : fixture.everyWindow()) {
            shell::Runtime::current().showModeless(*form);
            QWidget* window = qtbackend::widgetOf(form->nativeWindow());
            const std::vector<std::size_t> order = shell::tabOrder(form->layout());
            if (!order.empty()) {
                const QString first = qtbackend::toQString(form->layout().controls[order.front()].name);
                QWidget* focused = window->focusWidget();
                QVERIFY2(focused
                        && (focused->objectName() == first || focused->parentWidget()->objectName() == first),
                    qPrintable(window->windowTitle() + u' ' + first));
            }
            for (const shell::ControlRecord& record : form->layout().controls) {
                if (record.options.buddy.empty())
                    continue;
                const auto* label = child<QLabel>(window, record.name.data());
                QCOMPARE(label->buddy()->objectName(), qtbackend::toQString(record.options.buddy));
            }
        }
    }

    // What is typed into a combo box stays as typed: no completion from the list.
    void typedComboTextIsKeptAsTyped()
    {
        QtFixture fixture;
        QWidget* birth = loaded<Form2>();
        auto* year = child<QComboBox>(birth, "Combo3");
        auto* month = child<QComboBox>(birth, "Combo2");
        for (auto [box, typed] : { std::pair { year, "19" }, std::pair { month, "Mar" } }) {
            box->lineEdit()->selectAll();
            QTest::keyClicks(box->lineEdit(), QLatin1String(typed));
            QCOMPARE(box->currentText(), QLatin1String(typed));
        }
        QCOMPARE(shell::form<Form2>().control<shell::ComboBox>("Combo3").text(), "19");
        QCOMPARE(year->count(), 19); // nothing added to the list either
    }

    void aLockedInterestListKeepsItsTextWhenAnItemIsPicked()
    {
        QtFixture fixture;
        auto interests = shell::form<Form5>().control<shell::ComboBox>("Combo1");
        interests.addItem("pesca");
        interests.addItem("nuoto");
        interests.setText(interests.list(0));
        auto* box = child<qtbackend::ComboBox>(loaded<Form5>(), "Combo1");
        QVERIFY(box->lineEdit()->isReadOnly());
        // What picking the second item from the open list does.
        box->setCurrentIndex(1);
        emit box->activated(1);
        QCOMPARE(box->currentText(), QStringLiteral("pesca"));
    }

    // A focused button answers Enter as it answers Space; option buttons and check boxes toggle on
    // a click anywhere in their rectangle.
    void buttonsAnswerEnterAndTheirWholeRectangle()
    {
        QtFixture fixture;
        // "Cancel" of the progress window has no event procedure, so the test can count its clicks.
        auto* next = child<QPushButton>(loaded<Form7>(), "Command1");
        int clicks = 0;
        QObject::connect(next, &QPushButton::clicked, [&] { ++clicks; });
        QTest::keyClick(next, Qt::Key_Return);
        QTest::keyClick(next, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(next, Qt::Key_Space);
        QCOMPARE(clicks, 3);

        // The two option buttons start clear and form one group.
        QWidget* sex = loaded<Form3>();
        auto* maschio = child<QRadioButton>(sex, "Option1");
        auto* femmina = child<QRadioButton>(sex, "Option2");
        QVERIFY(!maschio->isChecked() && !femmina->isChecked());
        QTest::mouseClick(maschio, Qt::LeftButton, {}, QPoint(maschio->width() - 2, maschio->height() - 2));
        QVERIFY(maschio->isChecked());
        QTest::mouseClick(femmina, Qt::LeftButton);
        QVERIFY(femmina->isChecked() && !maschio->isChecked());
        auto* pesca = child<QCheckBox>(loaded<Form4>(), "Check1");
        QTest::mouseClick(pesca, Qt::LeftButton, {}, QPoint(pesca->width() - 2, pesca->height() / 2));
        QVERIFY(pesca->isChecked());
    }

    // Windows are built once and kept between loads, but every load starts each control afresh
    // from the layout record: texts, list items, ticks, enabled states and the focus.
    void aWindowLoadedAgainStartsFromItsLayoutRecord()
    {
        QtFixture fixture;
        QWidget* nome = loaded<Form1>();
        child<QLineEdit>(nome, "Text1")->setText(QStringLiteral("Mario"));
        child<QLineEdit>(nome, "Text2")->setFocus();
        QWidget* birth = loaded<Form2>();
        auto* day = child<QComboBox>(birth, "Combo1");
        day->addItem(QStringLiteral("32"));
        day->setEditText(QStringLiteral("32"));
        QWidget* sex = loaded<Form3>();
        child<QRadioButton>(sex, "Option1")->setChecked(true);
        QWidget* interests = loaded<Form4>();
        child<QCheckBox>(interests, "Check1")->setCheckState(Qt::PartiallyChecked);
        QWidget* summary = loaded<Form5>();
        shell::form<Form5>().control<shell::ComboBox>("Combo1").addItem("pesca");
        shell::form<Form5>().control<shell::CommandButton>("Command1").setEnabled(true);

        for (shell::Form* form : fixture.everyWindow())
            shell::Runtime::current().unload(*form);
        QCOMPARE(shown<Form1>(), nome);
        QCOMPARE(child<QLineEdit>(nome, "Text1")->text(), QString());
        QCOMPARE(nome->focusWidget(), child<QLineEdit>(nome, "Text1"));
        QCOMPARE(loaded<Form2>(), birth);
        QCOMPARE(day->count(), 31);
        QCOMPARE(day->currentText(), QStringLiteral("1"));
        QCOMPARE(loaded<Form3>(), sex);
        QVERIFY(!child<QRadioButton>(sex, "Option1")->isChecked());
        QCOMPARE(loaded<Form4>(), interests);
        QCOMPARE(shell::form<Form4>().control<shell::CheckBox>("Check1").value(), 0);
        QCOMPARE(loaded<Form5>(), summary);
        auto* summaryInterests = child<QComboBox>(summary, "Combo1");
        QCOMPARE(summaryInterests->count(), 0);
        QCOMPARE(summaryInterests->currentText(), QStringLiteral("Combo1"));
        // Form_Load enables "Femmina" for a sex that is not 1; "Maschio" is back to disabled.
        QVERIFY(!child<QPushButton>(summary, "Command1")->isEnabled());
        QVERIFY(child<QPushButton>(summary, "Command2")->isEnabled());
    }

    // A timer ticks once its interval has passed, never before, and again every interval;
    // intervals that pass while the program is busy come as one tick, and the next one keeps the
    // beat rather than following at once; a stopped timer stays silent even when an interval had
    // passed before it was stopped; a timer that the kernel refuses to arm says so instead of
    // never ticking.
    void timersTickAfterEachIntervalAndNotOnceStopped()
    {
        QElapsedTimer clock;
        std::vector<qint64> ticks;
        qtbackend::Timer timer([&] { ticks.push_back(clock.nsecsElapsed()); });
        clock.start();
        timer.start(20ms);
        QTRY_COMPARE(ticks.size(), 2u);
        QVERIFY(ticks[0] >= 20'000'000 && ticks[1] >= 40'000'000);

        ticks.clear();
        clock.restart();
        timer.start(20ms);
        QThread::msleep(50);
        QTRY_VERIFY(ticks.size() >= 2);
        QVERIFY(ticks[1] >= 60'000'000);

        ticks.clear();
        timer.start(20ms);
        QThread::msleep(30);
        timer.stop();
        QTest::qWait(50);
        QCOMPARE(ticks.size(), 0u);

        QVERIFY(timer.descriptor() >= 0);
        const int notATimer = open("/dev/null", O_RDONLY | O_CLOEXEC);
        dup2(notATimer, timer.descriptor());
        close(notATimer);
        QVERIFY_THROWS_EXCEPTION(shell::RuntimeError, timer.start(20ms));
    }

    // A window shown for a moment must still reach the screen: the back end reports the paint, and
    // the progress window's tick waits for it.
    void aTickWaitsUntilTheWindowIsPainted()
    {
        QtFixture fixture;
        Form5& summary = shell::form<Form5>();
        QWidget* progress = loaded<Form7>();
        progress->setUpdatesEnabled(false);
        shell::Runtime::current().showModeless(shell::form<Form7>());
        QTest::qWait(100);
        QCOMPARE(summary.cazzo, 0);
        QVERIFY(shell::form<Form7>().isLoaded());
        progress->setUpdatesEnabled(true);
        QTRY_COMPARE(summary.cazzo, 1);
        QVERIFY(!shell::form<Form7>().isLoaded());
    }

    // An unloaded window leaves the screen before the next window shows, and at the latest once
    // control is back in the event loop.
    void anUnloadedWindowLeavesTheScreen()
    {
        QtFixture fixture;
        QWidget* progress = shown<Form7>();
        shell::Unload<Form7>();
        QVERIFY(progress->isVisible());
        QWidget* farewell = shown<Form6>();
        QVERIFY(!progress->isVisible());
        shell::Unload<Form6>();
        QTRY_VERIFY(!farewell->isVisible());
    }

    void progressWindowStartsWithCancelFocused()
    {
        QtFixture fixture;
        shell::form<Form5>().cazzo = 37;
        QWidget* progress = shown<Form7>();
        QCOMPARE(progress->focusWidget()->objectName(), QStringLiteral("Command1"));
        QCOMPARE(child<QLabel>(progress, "Label1")->text(), QStringLiteral("Formattazione in corso 37%"));
    }

    // Every text is in the back end's one font and fits its control, with the captions that the
    // windows set at run time: a name and a date of birth in the summary, every interest, and all
    // the hundred percentages of the progress window.
    void everyTextFitsItsControlInOneFont()
    {
        QtFixture fixture;
        Form1& name = shell::form<Form1>();
        name.nome = "Mario";
        name.cognome = "Rossi";
        Form2& birth = shell::form<Form2>();
        birth.giorno = "15";
        birth.mese = "Marzo";
        birth.anno = "1985";
        const QFont& font = fixture.backend.font();
        QStringList found;
        for (shell::Form* form : fixture.everyWindow()) {
            shell::Runtime::current().load(*form);
            found << misfits(qtbackend::widgetOf(form->nativeWindow()), font);
        }
        // The same test runs again at twice the pixel density (see tests/CMakeLists.txt).
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
            QCOMPARE(loaded<Form1>()->devicePixelRatio(), qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());

        // Every interest ticked, "Successivo" fills the summary's list and shows the summary.
        shell::Unload<Form5>();
        QWidget* interests = loaded<Form4>();
        for (auto* box : interests->findChildren<QCheckBox*>())
            box->setChecked(true);
        std::size_t interestCount = 0;
        QTimer::singleShot(0, [&] {
            found << misfits(loaded<Form5>(), font);
            interestCount = shell::form<Form5>().control<shell::ComboBox>("Combo1").listCount();
            shell::Unload<Form5>();
        });
        QTest::mouseClick(child<QPushButton>(interests, "Command1"), Qt::LeftButton);
        QCOMPARE(interestCount, 6u);

        for (std::int16_t percent = 0; percent < 100; ++percent) {
            shell::Unload<Form7>();
            shell::form<Form5>().cazzo = percent;
            found << misfits(loaded<Form7>(), font);
        }
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
    }

    // A locale without a short date pattern of its own (C, POSIX) leaves the choice to the runtime,
    // which writes Italian dates; any real locale keeps its own pattern.
    void datesFollowTheLocaleUnlessItHasNoPattern()
    {
        QtFixture fixture;
        const QLocale previous;
        const std::pair<QLocale, std::string> cases[] = {
            { QLocale::c(), "01/01/1980" },
            { QLocale(QLocale::Italian, QLocale::Italy), "01/01/1980" },
            { QLocale(QLocale::English, QLocale::UnitedStates), "1/1/1980" },
        };
        for (const auto& [locale, expected] : cases) {
            QLocale::setDefault(locale);
            QCOMPARE(shell::dateToText(std::chrono::year(1980) / 1 / 1), expected);
        }
        QLocale::setDefault(previous);
    }
};

QTEST_MAIN(TestQtBackend)
#include "tst_qtbackend.moc"
