#include "shell/controls.h"
#include "shell/conversions.h"
#include "shell/runtime.h"
#include "support/fakedesktop.h"

#include <QTest>

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
    int showsReturned = 0;
    std::string text;

private:
    void Form_Load() override { ++loads; }
    void bindEvents(shell::EventBinder& on) override
    {
        on.click("Command1", [this] {
            text = control<shell::TextBox>("Text1").text();
            shell::Load<Upper>();
            shell::Show<Upper>();
            ++showsReturned;
        });
        on.click("Command2", [] { throw shell::RuntimeError(shell::error::TypeMismatch); });
    }
};

void showLower()
{
    shell::Runtime::current().showModeless(shell::form<Lower>());
}

bool isVisible(const shell::Form& form)
{
    return form.nativeWindow() && form.nativeWindow()->isVisible();
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

    void timerTicksUntilUnloadedAndNeverEarly()
    {
        RuntimeFixture fixture;
        showLower();
        std::vector<std::chrono::milliseconds> tickedAt;
        Upper::onTimer = [&](Upper& upper) {
            tickedAt.push_back(fixture.desktop.now());
            if (upper.ticks == 3)
                shell::Unload<Upper>();
        };
        fixture.desktop.click(shell::form<Lower>(), "Command1");
        QCOMPARE(shell::form<Upper>().ticks, 3);
        QCOMPARE(tickedAt, (std::vector { 20ms, 40ms, 60ms }));
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
        QCOMPARE(fixture.boxes.size(), std::size_t(1));
        const ShownBox& box = fixture.boxes.front();
        QVERIFY2(box.prompt.find("Errore " + std::to_string(expectedNumber)) != std::string::npos,
            box.prompt.c_str());
        QVERIFY2(box.prompt.find(expectedDescription.toStdString()) != std::string::npos, box.prompt.c_str());
        QCOMPARE(box.style, shell::MsgStyle::Stop);
        QVERIFY(fixture.runtime.isEnding());
        QCOMPARE(fixture.runtime.exitStatus(), 1);
        QVERIFY(!isVisible(shell::form<Lower>()));
    }
};

QTEST_APPLESS_MAIN(TestRuntime)
#include "tst_runtime.moc"
