#include "finale/form6.h"
#include "finale/form7.h"
#include "questionnaire/form2.h"
#include "questionnaire/form4.h"
#include "shell/controls.h"
#include "summary/form5.h"
#include "support/testsupport.h"

#include <QElapsedTimer>
#include <QTest>

using namespace testsupport;

namespace {

// Records the percentage of every showing of the progress window, at the moment it appears, and
// can make the user close one showing from the desktop before its timer ticks.
class ProgressWatcher final : public QObject
{
public:
    ProgressWatcher() { qApp->installEventFilter(this); }
    ~ProgressWatcher() override { qApp->removeEventFilter(this); }

    QStringList captions;
    QString closeAt; // the caption of the showing to close
    bool cancelDidNothing = false;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* window = qobject_cast<QWidget*>(object);
        if (event->type() != QEvent::Show || !window || !window->isWindow()
            || window->windowTitle() != "Form7")
            return false;
        const QString caption = window->findChild<QLabel*>("Label1")->text();
        captions.append(caption);
        if (caption == closeAt) {
            closeAt.clear();
            // The user is quicker than the timer this once: "Cancel" first, then the desktop's close.
            window->findChild<QTimer*>("Timer1")->stop();
            QMetaObject::invokeMethod(
                window,
                [this, window] {
                    window->findChild<QPushButton*>("Command1")->click();
                    cancelDidNothing = isActiveModal(window) && shell::form<Form7>().window() == window;
                    window->close();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

QStringList percentages(int first, int last)
{
    QStringList captions;
    for (int n = first; n <= last; ++n)
        captions.append(QStringLiteral("Formattazione in corso %1%").arg(n));
    return captions;
}

void openSummary()
{
    Form2& birth = shell::form<Form2>();
    std::tie(birth.giorno, birth.mese, birth.anno)
        = std::tuple(QStringLiteral("1"), QStringLiteral("Gennaio"), QStringLiteral("1980"));
    shell::Runtime::current().showModeless(shell::form<Form5>());
}

void pressEsci()
{
    shell::form<Form5>().control<shell::CommandButton>("Command3").click();
}

// The farewell window, closed from the desktop as soon as it is up, so that "Esci" returns.
void closeFarewellWhenShown()
{
    whenShown<Form6>([] { shell::form<Form6>().window()->close(); });
}

}

class TestFinale : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QTRY_VERIFY(noWindowLeft()); }

    void esciWarnsThenCountsFromZeroToNinetyNine()
    {
        RuntimeFixture fixture;
        ProgressWatcher progress;
        openSummary();
        closeFarewellWhenShown();
        pressEsci();

        QCOMPARE(fixture.boxes.size(), std::size_t(2));
        QCOMPARE(fixture.boxes[0].prompt,
            QStringLiteral("Internal error at 0x0002426 000247246 3156000246 At 2162620000x0003"));
        QCOMPARE(fixture.boxes[0].prompt.size(), 67);
        QCOMPARE(fixture.boxes[0].title, QStringLiteral("Fatal Error"));
        QCOMPARE(fixture.boxes[0].style, shell::MsgStyle::Stop);
        QCOMPARE(fixture.boxes[1].prompt, QStringLiteral("L'hard-disk verr\u00e0 formattato"));
        QCOMPARE(fixture.boxes[1].title, QStringLiteral("Errore"));
        QCOMPARE(fixture.boxes[1].style, shell::MsgStyle::Stop);
        QCOMPARE(progress.captions, percentages(0, 99));
        QCOMPARE(shell::form<Form5>().cazzo, qint16(100));
        QVERIFY(!fixture.runtime.isEnding());
    }

    void aShowingClosedBeforeItsTickShowsTheSamePercentageAgain()
    {
        RuntimeFixture fixture;
        ProgressWatcher progress;
        progress.closeAt = QStringLiteral("Formattazione in corso 5%");
        openSummary();
        closeFarewellWhenShown();
        pressEsci();

        QStringList expected = percentages(0, 99);
        expected.insert(5, QStringLiteral("Formattazione in corso 5%"));
        QCOMPARE(progress.captions, expected);
        QVERIFY(progress.cancelDidNothing);
        QCOMPARE(shell::form<Form5>().cazzo, qint16(100));
    }

    void aSecondEsciShowsTheProgressOnceAndGoesOn()
    {
        RuntimeFixture fixture;
        ProgressWatcher progress;
        openSummary();
        closeFarewellWhenShown();
        pressEsci();
        progress.captions.clear();
        closeFarewellWhenShown();
        pressEsci();

        QCOMPARE(fixture.boxes.size(), std::size_t(4));
        QCOMPARE(progress.captions, percentages(100, 100));
        QCOMPARE(shell::form<Form5>().cazzo, qint16(101));
    }

    void theWindowsLookAsTheJokeNeeds()
    {
        RuntimeFixture fixture;
        shell::Load<Form6>();
        QWidget* farewell = shell::form<Form6>().window();
        QCOMPARE(farewell->frameGeometry(), QRect(0, 0, 800, 600));
        QVERIFY(farewell->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(
            farewell->palette().color(QPalette::Window), farewell->palette().color(QPalette::WindowText));
        QCOMPARE(farewell->cursor().shape(), Qt::ForbiddenCursor);
        const QList<QWidget*> children = farewell->findChildren<QWidget*>();
        QVERIFY(std::none_of(
            children.begin(), children.end(), [](QWidget* w) { return w->isVisibleTo(w->window()); }));

        QCOMPARE(shell::form<Form7>().control<shell::Label>("Label1").text(),
            QStringLiteral("Formattazione in corso 0%"));
        QCOMPARE(shell::form<Form7>().window()->focusWidget()->objectName(), QStringLiteral("Command1"));
        shell::Unload<Form7>();
        shell::form<Form5>().cazzo = 37;
        QCOMPARE(shell::form<Form7>().control<shell::Label>("Label1").text(),
            QStringLiteral("Formattazione in corso 37%"));
    }

    // The one test that waits the farewell's real five seconds.
    void theFarewellRevealsTheJokeOnceAndEndsTheProgram()
    {
        RuntimeFixture fixture;
        int farewells = 0;
        fixture.reactToBoxes([&](const ShownBox& box) {
            // The user takes a moment to read the joke; the timer must not open a second box.
            if (box.title == QStringLiteral("Scherzetto, By ZEMBRACO") && ++farewells == 1)
                QTest::qWait(300);
        });
        Form2& birth = shell::form<Form2>();
        std::tie(birth.giorno, birth.mese, birth.anno)
            = std::tuple(QStringLiteral("1"), QStringLiteral("Gennaio"), QStringLiteral("1980"));
        fixture.runtime.showModeless(shell::form<Form4>());

        QElapsedTimer sinceFarewell;
        whenShown<Form5>([] { pressEsci(); });
        whenShown<Form6>([&] { sinceFarewell.start(); });
        shell::form<Form4>().control<shell::CommandButton>("Command1").click();

        QCOMPARE(farewells, 1);
        const ShownBox& last = fixture.boxes.back();
        QCOMPARE(last.prompt, QStringLiteral("Scherzetto"));
        QCOMPARE(last.style, shell::MsgStyle::Information);
        QVERIFY(sinceFarewell.isValid());
        QVERIFY2(sinceFarewell.elapsed() >= 5000 - 20, qPrintable(QString::number(sinceFarewell.elapsed())));
        QVERIFY(fixture.runtime.isEnding());
        QCOMPARE(fixture.runtime.exitStatus(), 0);
        for (shell::Form* form : std::initializer_list<shell::Form*> {
                 &shell::form<Form4>(), &shell::form<Form5>(), &shell::form<Form6>() })
            QVERIFY(!form->window()->isVisible());
    }
};

QTEST_MAIN(TestFinale)
#include "tst_finale.moc"
