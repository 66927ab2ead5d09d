#include "shell/controls.h"
#include "shell/conversions.h"
#include "shell/runtime.h"
#include "support/fakedesktop.h"

#include <QTest>

#include <stdexcept>

using namespace testsupport;
using enum shell::ControlKind;
using namespace std::chrono_literals;

namespace {

// Two small windows of the test's own: Lower opens Upper modally, Upper has a timer whose
// procedure the test chooses.
constexpr shell::ControlRecord lowerControls[] = {
    { "Text1", TextBox, "iniziale", 120, 120, 1500, 285, 0 },
    { "Command1", CommandButton, "Apri", 120, 600, 1500, 375, 1 },
    { "Command2", CommandButton, "Fallisci", 120, 1080, 1500, 375, 2 },
};
constexpr shell::FormLayout lowerLayout {
    .caption = "Sotto", .left = 1500, .top = 1500, .width = 3000, .height = 2000, .controls = lowerControls
};

constexpr shell::ControlRecord upperControls[] = {
    { "Label1", Label, "Sopra", 120, 120, 1500, 255, 0 },
    { "Timer1", Timer, "", 0, 0, 0, 0, shell::NoTabIndex, { .interval = 20 } },
};
constexpr shell::FormLayout upperLayout {
    .caption = "", .left = 3000, .top = 1500, .width = 2000, .height = 1000, .controls = upperControls
};

class Upper final : public shell::Form
{
public:
    Upper()
        : shell::Form(upperLayout)
    {
    }
    static inline std::function<void(Upper&)> onTimer;
    int loads = 0;
    int ticks = 0;
    std::int16_t field = 0;

private:
    void Form_Load() override { ++loads; }
    void bindEvents(shell::EventBinder& on) override
    {
        on.timer("Timer1", [this] {
            ++ticks;
            if (onTimer)
                onTimer(*this);
        });
    }
};

class Lower final : public shell::Form
{
public:
    Lower()
        : shell::Form(lowerLayout)
    {
    }
    int loads = 0;
    int showings = 1; // how many times Command1 opens Upper in a row
    int showsReturned = 0;
    std::string text;

private:
    void Form_Load() override { ++loads; }
    void bindEvents(shell::EventBinder& on) override
    {
        on.click("Command1", [this] {
            text = control<shell::TextBox>("Text1").text();
            for (int i = 0; i < showings; ++i) {
                shell::Load<Upper>();
                shell::Show<Upper>();
                ++showsReturned;
            }
        });
        on.click("Command2", [] { throw shell::RuntimeError(shell::error::TypeMismatch); });
    }
};

void showLower()
{
    shell::Runtime::current().showModeless(shell::form<Lower>());
}

FakeWindow* fakeOf(const shell::Form& form)
{
    return dynamic_cast<FakeWindow*>(form.nativeWindow());
}

bool isVisible(const shell::Form& form)
{
    return fakeOf(form) && fakeOf(form)->isVisible();
}

// A window whose layout lists its controls out of tab order, with a label that names a box and a
// disabled button first in tab order.
constexpr shell::ControlRecord orderedControls[] = {
    { "Command1", CommandButton, "Spento", 120, 120, 1500, 375, 0, { .disabled = true } },
    { "Text1", TextBox, "", 120, 600, 1500, 285, 2 },
    { "Label1", Label, "Testo", 120, 1080, 1500, 255, 5, { .buddy = "Text1" } },
    { "Combo1", ComboBox, "", 120, 1560, 1500, 315, 1 },
    { "Timer1", Timer, "", 0, 0, 0, 0, shell::NoTabIndex, { .interval = 100 } },
};
constexpr shell::FormLayout orderedLayout {
    .caption = "Ordine", .left = 0, .top = 0, .width = 2000, .height = 2000, .controls = orderedControls
};

class Ordered final : public shell::Form
{
public:
    Ordered()
        : shell::Form(orderedLayout)
    {
    }
};

// The ticks of Upper's timer, in virtual time, until it unloads itself at the third.
std::vector<std::chrono::milliseconds> ticksOfUpper(RuntimeFixture& fixture)
{
    std::vector<std::chrono::milliseconds> tickedAt;
    Upper::onTimer = [&](Upper& upper) {
        tickedAt.push_back(fixture.desktop.now());
        if (upper.ticks == 3)
            shell::Unload<Upper>();
    };
    showLower();
    fixture.desktop.click(shell::form<Lower>(), "Command1");
    return tickedAt;
}

void checkFailed(RuntimeFixture& fixture, int number, const std::string& description)
{
    QCOMPARE(fixture.boxes.size(), std::size_t(1));
    const ShownBox& box = fixture.boxes.front();
    QVERIFY2(box.prompt.find("Errore " + std::to_string(number)) != std::string::npos, box.prompt.c_str());
    QVERIFY2(box.prompt.find(description) != std::string::npos, box.prompt.c_str());
    QCOMPARE(box.style, shell::MsgStyle::Stop);
    QVERIFY(fixture.runtime.isEnding());
    QCOMPARE(fixture.runtime.exitStatus(), 1);
}

}

class TestRuntime : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Upper::onTimer = {}; }

    void instancesAreLazyAndLoadRunsOnce()
    {
        RuntimeFixture fixture;
        Upper& upper = shell::form<Upper>();
        upper.field = 7;
        QVERIFY(!upper.isLoaded());
        QCOMPARE(upper.loads, 0);
        QCOMPARE(&shell::form<Upper>(), &upper);

        shell::Load<Upper>();
        shell::Load<Upper>();
        QCOMPARE(upper.loads, 1);
        QVERIFY(upper.isLoaded());
        QVERIFY(!isVisible(upper));
    }

    void controlAccessLoadsWithoutShowing()
    {
        RuntimeFixture fixture;
        Lower& lower = shell::form<Lower>();
        QCOMPARE(lower.control<shell::TextBox>("Text1").text(), "iniziale");
        QCOMPARE(lower.loads, 1);
        QVERIFY(!isVisible(lower));
    }

    void fieldsSurviveUnloadWhileControlsStartAfresh()
    {
        RuntimeFixture fixture;
        Lower& lower = shell::form<Lower>();
        lower.text = "campo";
        lower.control<shell::TextBox>("Text1").setText("cambiato");
        shell::Unload<Lower>();
        QVERIFY(!lower.isLoaded());
        QCOMPARE(lower.text, "campo");
        QCOMPARE(lower.control<shell::TextBox>("Text1").text(), "iniziale");
        QCOMPARE(lower.loads, 2);
    }

    void unloadingTheTopWindowReturnsItsShow()
    {
        RuntimeFixture fixture;
        showLower();
        bool upperWasModal = false;
        bool lowerBlocked = false;
        fixture.desktop.whenShown<Upper>([&] {
            upperWasModal = true;
            lowerBlocked = !fixture.desktop.takesInput(shell::form<Lower>());
            shell::Unload<Upper>();
        });
        fixture.desktop.click(shell::form<Lower>(), "Command1");
        QVERIFY(upperWasModal);
        QVERIFY(lowerBlocked);
        QVERIFY(isVisible(shell::form<Lower>()));
        QCOMPARE(shell::form<Lower>().showsReturned, 1);
        QVERIFY(!shell::form<Upper>().isLoaded());
        QVERIFY(!fixture.runtime.isEnding());
    }

    void desktopCloseUnloadsLikeUnload()
    {
        RuntimeFixture fixture;
        showLower();
        fixture.desktop.whenShown<Upper>([&] { fixture.desktop.requestClose(shell::form<Upper>()); });
        fixture.desktop.click(shell::form<Lower>(), "Command1");
        QCOMPARE(shell::form<Lower>().showsReturned, 1);
        QVERIFY(!shell::form<Upper>().isLoaded());
    }

    // Intervals run from the load; a tick due before the window's first paint is held, and its
    // interval starts over from the paint; a window that is never painted still ticks once a tick
    // has been held back for a second.
    void timerTicksWaitForTheFirstPaint_data()
    {
        QTest::addColumn<int>("paintDelay");
        QTest::addColumn<QList<int>>("ticks");
        QTest::newRow("painted at once") << 0 << QList<int> { 20, 40, 60 };
        QTest::newRow("painted within the interval") << 5 << QList<int> { 20, 40, 60 };
        QTest::newRow("a tick held for the paint") << 30 << QList<int> { 50, 70, 90 };
        QTest::newRow("never painted") << -1 << QList<int> { 1000, 2000, 3000 };
    }

    void timerTicksWaitForTheFirstPaint()
    {
        QFETCH(int, paintDelay);
        QFETCH(QList<int>, ticks);
        RuntimeFixture fixture;
        if (paintDelay >= 0)
            fixture.desktop.paintDelay = std::chrono::milliseconds(paintDelay);
        else
            fixture.desktop.paintDelay.reset();
        std::vector<std::chrono::milliseconds> expected;
        for (int tick : ticks)
            expected.emplace_back(tick);
        QCOMPARE(ticksOfUpper(fixture), expected);
        QCOMPARE(shell::form<Upper>().ticks, 3);
    }

    // A window's native window and controls are made once, in creation order (tab order, each label
    // just before the box it names), and every load puts the controls back to their records and the
    // window, if it is off the screen, back at its place; the focus goes to the first control in tab
    // order that can take it.
    void windowsAreMadeOnceAndStartAfreshAtEachLoad()
    {
        RuntimeFixture fixture;
        Ordered& ordered = shell::form<Ordered>();
        ordered.control<shell::TextBox>("Text1").setText("scritto");
        FakeWindow* window = fakeOf(ordered);
        QCOMPARE(window->created, (std::vector<std::size_t> { 0, 3, 2, 1 }));
        QCOMPARE(window->labels, (std::vector<std::pair<std::size_t, std::size_t>> { { 2, 1 } }));
        fixture.runtime.showModeless(ordered);
        QCOMPARE(window->focus, std::optional<std::size_t>(3));

        shell::Unload<Ordered>();
        shell::Load<Ordered>();
        QCOMPARE(fakeOf(ordered), window);
        QCOMPARE(fixture.desktop.windows.size(), std::size_t(1));
        QCOMPARE(ordered.control<shell::TextBox>("Text1").text(), "");
        // Still on the screen from its last load, the window was not moved; loaded but not shown, it
        // leaves the screen as soon as the screen is settled.
        QCOMPARE(window->placements, 1);
        fixture.runtime.settle();
        QVERIFY(!isVisible(ordered));
        fixture.runtime.showModeless(ordered);
        QCOMPARE(window->shows, 2);
        QVERIFY(isVisible(ordered));

        shell::Unload<Ordered>();
        fixture.runtime.settle();
        QVERIFY(!isVisible(ordered));
        shell::Load<Ordered>();
        QCOMPARE(window->placements, 2);
    }

    // An unloaded window stays on the screen until the program next waits; loaded and shown again
    // before that, it never leaves it.
    void hidingWaitsForTheNextLoad()
    {
        RuntimeFixture fixture;
        Upper::onTimer = [](Upper&) { shell::Unload<Upper>(); };
        shell::form<Lower>().showings = 3;
        showLower();
        fixture.desktop.click(shell::form<Lower>(), "Command1");
        FakeWindow* upper = fakeOf(shell::form<Upper>());
        QCOMPARE(shell::form<Lower>().showsReturned, 3);
        QCOMPARE(upper->shows, 3);
        QCOMPARE(upper->hides, 0);
        QVERIFY(upper->isVisible());
        fixture.desktop.wait(1ms);
        QCOMPARE(upper->hides, 1);
        QVERIFY(fixture.desktop.takesInput(shell::form<Lower>()));
    }

    void aTimerProcedureIsNeverReentered()
    {
        RuntimeFixture fixture;
        int deepest = 0;
        int depth = 0;
        // The box stays open for several timer intervals, as a user would leave it.
        fixture.desktop.onBox = [&](const ShownBox&) { fixture.desktop.wait(150ms); };
        Upper::onTimer = [&](Upper& upper) {
            deepest = std::max(deepest, ++depth);
            shell::messageBox("tic", shell::MsgStyle::Information, "Timer");
            --depth;
            if (upper.ticks == 2)
                shell::Unload<Upper>();
        };
        showLower();
        fixture.desktop.click(shell::form<Lower>(), "Command1");
        QCOMPARE(deepest, 1);
        QCOMPARE(fixture.boxes.size(), std::size_t(2));
    }

    void endUnwindsEveryWaitingProcedure()
    {
        RuntimeFixture fixture;
        showLower();
        bool afterEnd = false;
        Upper::onTimer = [&](Upper&) {
            shell::End();
            afterEnd = true;
        };
        fixture.desktop.click(shell::form<Lower>(), "Command1");
        QVERIFY(!afterEnd);
        QCOMPARE(shell::form<Lower>().showsReturned, 0);
        QVERIFY(fixture.runtime.isEnding());
        QCOMPARE(fixture.runtime.exitStatus(), 0);
        QVERIFY(!isVisible(shell::form<Lower>()));
        QVERIFY(!isVisible(shell::form<Upper>()));
        // Once the program is ending, no event procedure runs any more.
        const int ticks = shell::form<Upper>().ticks;
        fixture.desktop.wait(60ms);
        QCOMPARE(shell::form<Upper>().ticks, ticks);
        QCOMPARE(shell::form<Lower>().showsReturned, 0);
    }

    void runtimeErrorsAreReportedAndEndTheProgram_data()
    {
        QTest::addColumn<int>("expectedNumber");
        QTest::addColumn<QString>("expectedDescription");
        QTest::newRow("type mismatch from a procedure") << 13 << QStringLiteral("Tipo non corrispondente");
        QTest::newRow("overflow from a nested timer") << 6 << QStringLiteral("Overflow");
        QTest::newRow("modal Show of a window already shown")
            << 400 << QStringLiteral("visualizzarlo come modale");
        QTest::newRow("unknown control") << 730 << QStringLiteral("Controllo non trovato");
    }

    void runtimeErrorsAreReportedAndEndTheProgram()
    {
        QFETCH(int, expectedNumber);
        QFETCH(QString, expectedDescription);
        RuntimeFixture fixture;
        showLower();
        switch (expectedNumber) {
        case 13:
            fixture.desktop.click(shell::form<Lower>(), "Command2");
            break;
        case 6:
            Upper::onTimer = [](Upper& upper) { upper.field = shell::increment(32767); };
            fixture.desktop.click(shell::form<Lower>(), "Command1");
            break;
        case 400:
            fixture.runtime.call([] { shell::Show<Lower>(); });
            break;
        default:
            fixture.runtime.call([] { shell::form<Lower>().control<shell::TextBox>("Text9"); });
        }
        checkFailed(fixture, expectedNumber, expectedDescription.toStdString());
        QVERIFY(!isVisible(shell::form<Lower>()));
    }

    // A control handle belongs to the load it was taken in: across a message box it still reaches
    // the control, after Unload it fails with error 364, even once the window is loaded again.
    void controlHandlesNeverOutliveTheirLoad_data()
    {
        QTest::addColumn<bool>("reload");
        QTest::newRow("unloaded") << false;
        QTest::newRow("unloaded and loaded again") << true;
    }

    void controlHandlesNeverOutliveTheirLoad()
    {
        QFETCH(bool, reload);
        RuntimeFixture fixture;
        showLower();
        fixture.runtime.call([&] {
            auto text = shell::form<Lower>().control<shell::TextBox>("Text1");
            shell::messageBox("attesa", shell::MsgStyle::Information, "Attesa");
            text.setText("dopo la finestra");
            QCOMPARE(text.text(), "dopo la finestra");
            shell::Unload<Lower>();
            if (reload)
                shell::Load<Lower>();
            text.setText("troppo tardi");
        });
        fixture.boxes.erase(fixture.boxes.begin());
        checkFailed(fixture, 364, "Oggetto scaricato");
        if (reload)
            QCOMPARE(fakeOf(shell::form<Lower>())->fake("Text1").text(), "iniziale");
    }

    // What fails in the back end ends the program as a runtime error does: a timer that cannot be
    // armed, or a failure that a back end caught under its toolkit's frame.
    void backEndFailuresAreRuntimeErrors()
    {
        {
            RuntimeFixture fixture;
            showLower();
            fixture.desktop.refuseTimers = true;
            fixture.desktop.click(shell::form<Lower>(), "Command1");
            checkFailed(fixture, 51, "Errore interno");
            QCOMPARE(shell::form<Lower>().showsReturned, 0);
        }
        {
            RuntimeFixture fixture;
            showLower();
            shell::reportFailure(std::make_exception_ptr(std::runtime_error("finestra")));
            checkFailed(fixture, 51, "Errore interno");
            QVERIFY(!isVisible(shell::form<Lower>()));
        }
    }
};

QTEST_APPLESS_MAIN(TestRuntime)
#include "tst_runtime.moc"
