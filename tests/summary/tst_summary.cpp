#include "questionnaire/form1.h"
#include "questionnaire/form2.h"
#include "questionnaire/form3.h"
#include "shell/controls.h"
#include "summary/form5.h"
#include "support/fakedesktop.h"

#include <QTest>

using namespace testsupport;

namespace {

// The answers as the questionnaire windows leave them in their fields.
void answer(const QString& nome, const QString& cognome, const QStringList& date, int sesso)
{
    shell::form<Form1>().nome = nome.toStdString();
    shell::form<Form1>().cognome = cognome.toStdString();
    shell::form<Form2>().giorno = date.value(0).toStdString();
    shell::form<Form2>().mese = date.value(1).toStdString();
    shell::form<Form2>().anno = date.value(2).toStdString();
    shell::form<Form3>().sesso = std::int16_t(sesso);
}

Form5& openSummary()
{
    Form5& summary = shell::form<Form5>();
    shell::Runtime::current().showModeless(summary);
    return summary;
}

}

class TestSummary : public QObject
{
    Q_OBJECT
private slots:
    void showsTheAnswers_data()
    {
        QTest::addColumn<QString>("nome");
        QTest::addColumn<QString>("cognome");
        QTest::addColumn<QStringList>("date");
        QTest::addColumn<int>("sesso");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("dateText");
        QTest::addColumn<bool>("maschio");
        QTest::newRow("untouched questionnaire") << ""
                                                 << "" << QStringList { "1", "Gennaio", "1980" } << 0 << " "
                                                 << "01/01/1980" << false;
        QTest::newRow("Maschio") << "Mario"
                                 << "Rossi" << QStringList { "15", "Marzo", "1985" } << 1 << "Mario Rossi"
                                 << "15/03/1985" << true;
        QTest::newRow("accents and a leap day")
            << "Niccolò"
            << "D'Amico" << QStringList { "29", "febbraio", "1996" } << 0 << "Niccolò D'Amico"
            << "29/02/1996" << false;
        QTest::newRow("only 1 means Maschio")
            << "A"
            << "B" << QStringList { "31", "Dicembre", "1998" } << -1 << "A B"
            << "31/12/1998" << false;
    }

    void showsTheAnswers()
    {
        QFETCH(QString, nome);
        QFETCH(QString, cognome);
        QFETCH(QStringList, date);
        QFETCH(int, sesso);
        QFETCH(QString, caption);
        QFETCH(QString, dateText);
        QFETCH(bool, maschio);
        RuntimeFixture fixture;
        FakeDesktop& desktop = fixture.desktop;
        answer(nome, cognome, date, sesso);
        Form5& summary = openSummary();
        FakeWindow& window = *desktop.window(summary);

        QCOMPARE(summary.control<shell::Label>("Label1").caption(), caption.toStdString());
        QCOMPARE(summary.control<shell::TextBox>("Text1").text(), dateText.toStdString());
        QCOMPARE(window.fake("Command1").isEnabled(), maschio);
        QCOMPARE(window.fake("Command2").isEnabled(), !maschio);
        // The answers are shown, not edited.
        desktop.type(summary, "Text1", "01/01/2000");
        desktop.type(summary, "Combo1", "pesca");
        QCOMPARE(summary.control<shell::TextBox>("Text1").text(), dateText.toStdString());
        QCOMPARE(summary.control<shell::ComboBox>("Combo1").text(), "Combo1");
        // Reading the answers neither loads nor shows the windows they came from.
        QVERIFY(!shell::form<Form1>().isLoaded());
        QVERIFY(!shell::form<Form2>().isLoaded());
        QVERIFY(!shell::form<Form3>().isLoaded());
    }

    void theSexButtonsAnswerEveryPress()
    {
        RuntimeFixture fixture;
        FakeDesktop& desktop = fixture.desktop;
        answer("Mario", "Rossi", { "1", "Gennaio", "1980" }, 1);
        Form5& summary = openSummary();
        desktop.click(summary, "Command1");
        desktop.click(summary, "Command1");
        desktop.requestClose(summary);
        shell::form<Form3>().sesso = 0;
        openSummary();
        desktop.click(summary, "Command2");

        QCOMPARE(fixture.boxes.size(), std::size_t(3));
        for (std::size_t i = 0; i < 2; ++i) {
            QCOMPARE(fixture.boxes[i].prompt, "Sei un maschio");
            QCOMPARE(fixture.boxes[i].title, "Maschio");
            QCOMPARE(fixture.boxes[i].style, shell::MsgStyle::Information);
        }
        QCOMPARE(fixture.boxes[2].prompt, "sei una femmina");
        QCOMPARE(fixture.boxes[2].title, "Femmina");
        QCOMPARE(fixture.boxes[2].style, shell::MsgStyle::Information);
    }

    // The birth-date window refuses such dates, so only a questionnaire filled in some other way
    // can bring one here; the conversion's failure then ends the program with error 13.
    void anInvalidDateEndsTheProgramWithATypeMismatch()
    {
        RuntimeFixture fixture;
        answer("Mario", "Rossi", { "31", "Febbraio", "1985" }, 1);
        fixture.runtime.call([] { shell::Load<Form5>(); });
        QCOMPARE(fixture.boxes.size(), std::size_t(1));
        const std::string& prompt = fixture.boxes[0].prompt;
        QVERIFY2(prompt.find("Errore 13") != std::string::npos, prompt.c_str());
        QVERIFY2(prompt.find("Tipo non corrispondente") != std::string::npos, prompt.c_str());
        QVERIFY(fixture.runtime.isEnding());
        QCOMPARE(fixture.runtime.exitStatus(), 1);
        // The sex buttons were never reached.
        FakeWindow& window = *fixture.desktop.window(shell::form<Form5>());
        QVERIFY(!window.fake("Command1").isEnabled());
        QVERIFY(!window.fake("Command2").isEnabled());
    }
};

QTEST_APPLESS_MAIN(TestSummary)
#include "tst_summary.moc"
