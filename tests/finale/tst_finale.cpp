#include "finale/form6.h"
#include "finale/form7.h"
#include "questionnaire/form2.h"
#include "questionnaire/form4.h"
#include "summary/form5.h"
#include "support/fakedesktop.h"

#include <QTest>

using namespace testsupport;
using namespace std::chrono_literals;
using namespace std::string_literals;

namespace {

// Every showing of the progress window: its percentage and the virtual time at which it appeared.
struct Progress
{
    QStringList captions;
    QList<qint64> shownAt; // in milliseconds

    explicit Progress(FakeDesktop& desktop)
    {
        desktop.onShow = [this, &desktop](FakeWindow& window) {
            if (window.layout().caption != "Form7")
                return;
            captions.append(QString::fromStdString(window.fake("Label1").text()));
            shownAt.append(desktop.now().count());
        };
    }
};

QStringList percentages(int first, int last)
{
    QStringList captions;
    for (int n = first; n <= last; ++n)
        captions.append(QStringLiteral("Formattazione in corso %1%").arg(n));
    return captions;
}

void giveADateOfBirth()
{
    Form2& birth = shell::form<Form2>();
    // Moved in as strings: GCC 12 at -O3 warns falsely (-Wrestrict) when a std::string is assigned
    // a short character array.
    std::tie(birth.giorno, birth.mese, birth.anno) = std::tuple("1"s, "Gennaio"s, "1980"s);
}

Form5& openSummary()
{
    giveADateOfBirth();
    shell::Runtime::current().showModeless(shell::form<Form5>());
    return shell::form<Form5>();
}

// Presses "Esci", closing the farewell window from the desktop as soon as it is up, so that the
// press returns instead of ending the program.
void pressEsciAndCloseTheFarewell(FakeDesktop& desktop)
{
    desktop.whenShown<Form6>([&desktop] { desktop.requestClose(shell::form<Form6>()); });
    desktop.click(shell::form<Form5>(), "Command3");
}

}

class TestFinale : public QObject
{
    Q_OBJECT
private slots:
    void esciWarnsThenCountsFromZeroToNinetyNine()
    {
        RuntimeFixture fixture;
        Progress progress(fixture.desktop);
        openSummary();
        pressEsciAndCloseTheFarewell(fixture.desktop);

        QCOMPARE(fixture.boxes.size(), std::size_t(2));
        QCOMPARE(
            fixture.boxes[0].prompt, "Internal error at 0x0002426 000247246 3156000246 At 2162620000x0003");
        QCOMPARE(fixture.boxes[0].prompt.size(), std::size_t(67));
        QCOMPARE(fixture.boxes[0].title, "Fatal Error");
        QCOMPARE(fixture.boxes[0].style, shell::MsgStyle::Stop);
        QCOMPARE(fixture.boxes[1].prompt, "L'hard-disk verr\u00e0 formattato");
        QCOMPARE(fixture.boxes[1].title, "Errore");
        QCOMPARE(fixture.boxes[1].style, shell::MsgStyle::Stop);
        QCOMPARE(progress.captions, percentages(0, 99));
        // Each showing lasts one tick of the progress timer.
        QList<qint64> everyTenMilliseconds;
        for (qint64 at = 0; at < 1000; at += 10)
            everyTenMilliseconds.append(at);
        QCOMPARE(progress.shownAt, everyTenMilliseconds);
        QCOMPARE(shell::form<Form5>().cazzo, std::int16_t(100));
        QVERIFY(!fixture.runtime.isEnding());
        // Once the program waits again, the closed farewell window has left the screen.
        fixture.desktop.wait(1ms);
        QVERIFY(fixture.desktop.takesInput(shell::form<Form5>()));
    }

    void aShowingClosedBeforeItsTickShowsTheSamePercentageAgain()
    {
        RuntimeFixture fixture;
        FakeDesktop& desktop = fixture.desktop;
        Progress progress(desktop);
        Form7& window = shell::form<Form7>();
        bool cancelDidNothing = false;
        // The user is quicker than the timer this once: "Cancel" first, then the desktop's close.
        desktop.when(
            [&] {
                return desktop.takesInput(window)
                    && desktop.window(window)->fake("Label1").text() == "Formattazione in corso 5%";
            },
            [&] {
                const FakeWindow* showing = desktop.window(window);
                desktop.click(window, "Command1");
                cancelDidNothing = desktop.takesInput(window) && desktop.window(window) == showing
                    && shell::form<Form5>().cazzo == 5 && fixture.boxes.size() == 2;
                desktop.requestClose(window);
            });
        openSummary();
        pressEsciAndCloseTheFarewell(desktop);

        QStringList expected = percentages(0, 99);
        expected.insert(5, QStringLiteral("Formattazione in corso 5%"));
        QCOMPARE(progress.captions, expected);
        QVERIFY(cancelDidNothing);
        QCOMPARE(shell::form<Form5>().cazzo, std::int16_t(100));
    }

    void aSecondEsciShowsTheProgressOnceAndGoesOn()
    {
        RuntimeFixture fixture;
        Progress progress(fixture.desktop);
        openSummary();
        pressEsciAndCloseTheFarewell(fixture.desktop);
        progress.captions.clear();
        pressEsciAndCloseTheFarewell(fixture.desktop);

        QCOMPARE(fixture.boxes.size(), std::size_t(4));
        QCOMPARE(progress.captions, percentages(100, 100));
        QCOMPARE(shell::form<Form5>().cazzo, std::int16_t(101));
    }

    void theFarewellRevealsTheJokeOnceAndEndsTheProgram()
    {
        RuntimeFixture fixture;
        FakeDesktop& desktop = fixture.desktop;
        int farewells = 0;
        bool endedBeforeDismissed = true;
        std::chrono::milliseconds farewellShownAt { -1 };
        std::chrono::milliseconds jokeAt { -1 };
        desktop.onBox = [&](const ShownBox& box) {
            if (box.title != "Scherzetto, By ZEMBRACO" || ++farewells > 1)
                return;
            jokeAt = desktop.now();
            endedBeforeDismissed
                = fixture.runtime.isEnding() || !desktop.window(shell::form<Form6>())->isVisible();
            // The user takes a while to read the joke, long enough for the timer to fire twice more;
            // it must not open a second box.
            desktop.wait(12s);
        };
        giveADateOfBirth();
        Form4& interests = shell::form<Form4>();
        fixture.runtime.showModeless(interests);
        desktop.whenShown<Form5>([&] { desktop.click(shell::form<Form5>(), "Command3"); });
        desktop.whenShown<Form6>([&] { farewellShownAt = desktop.now(); });
        desktop.click(interests, "Command1");

        QCOMPARE(farewells, 1);
        const ShownBox& last = fixture.boxes.back();
        QCOMPARE(last.prompt, "Scherzetto");
        QCOMPARE(last.style, shell::MsgStyle::Information);
        QVERIFY(farewellShownAt >= 0ms);
        QCOMPARE((jokeAt - farewellShownAt).count(), 5000);
        QVERIFY(!endedBeforeDismissed);
        QVERIFY(fixture.runtime.isEnding());
        QCOMPARE(fixture.runtime.exitStatus(), 0);
        for (const shell::Form* form : std::initializer_list<const shell::Form*> {
                 &interests, &shell::form<Form5>(), &shell::form<Form6>() })
            QVERIFY(!desktop.window(*form)->isVisible());
    }
};

QTEST_APPLESS_MAIN(TestFinale)
#include "tst_finale.moc"
