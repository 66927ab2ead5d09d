#include "questionnaire/form1.h"
#include "questionnaire/form2.h"
#include "questionnaire/form3.h"
#include "shell/controls.h"
#include "summary/form5.h"
#include "support/testsupport.h"

#include <QTest>

using namespace testsupport;

namespace {

void answer(const QString& nome, const QString& cognome, const QStringList& date, qint16 sesso)
{
    shell::form<Form1>().nome = nome;
    shell::form<Form1>().cognome = cognome;
    shell::form<Form2>().giorno = date.value(0);
    shell::form<Form2>().mese = date.value(1);
    shell::form<Form2>().anno = date.value(2);
    shell::form<Form3>().sesso = sesso;
}

template <class Control> Control& summary(std::string_view name)
{
    return shell::form<Form5>().control<Control>(name);
}

}

class TestSummary : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }
    void cleanup() { QTRY_VERIFY(noWindowLeft()); }

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
        answer(nome, cognome, date, qint16(sesso));

        QCOMPARE(summary<shell::Label>("Label1").text(), caption);
        QCOMPARE(summary<shell::TextBox>("Text1").text(), dateText);
        QCOMPARE(summary<shell::CommandButton>("Command1").isEnabled(), maschio);
        QCOMPARE(summary<shell::CommandButton>("Command2").isEnabled(), !maschio);
        QVERIFY(summary<shell::TextBox>("Text1").isReadOnly());
        QVERIFY(summary<shell::ComboBox>("Combo1").isLocked());
        // Reading the answers neither loads nor shows the windows they came from.
        QVERIFY(!shell::form<Form1>().isLoaded());
        QVERIFY(!shell::form<Form2>().isLoaded());
        QVERIFY(!shell::form<Form3>().isLoaded());
    }

    void theSexButtonsAnswerEveryPress()
    {
        RuntimeFixture fixture;
        answer(QStringLiteral("Mario"), QStringLiteral("Rossi"), { "1", "Gennaio", "1980" }, 1);
        auto& maschio = summary<shell::CommandButton>("Command1");
        maschio.click();
        maschio.click();
        shell::Unload<Form5>();
        shell::form<Form3>().sesso = 0;
        summary<shell::CommandButton>("Command2").click();

        QCOMPARE(fixture.boxes.size(), std::size_t(3));
        for (std::size_t i = 0; i < 2; ++i) {
            QCOMPARE(fixture.boxes[i].prompt, QStringLiteral("Sei un maschio"));
            QCOMPARE(fixture.boxes[i].title, QStringLiteral("Maschio"));
            QCOMPARE(fixture.boxes[i].style, shell::MsgStyle::Information);
        }
        QCOMPARE(fixture.boxes[2].prompt, QStringLiteral("sei una femmina"));
        QCOMPARE(fixture.boxes[2].title, QStringLiteral("Femmina"));
    }

    void aLockedInterestListKeepsItsText()
    {
        RuntimeFixture fixture;
        answer({}, {}, { "1", "Gennaio", "1980" }, 0);
        auto& interests = summary<shell::ComboBox>("Combo1");
        QCOMPARE(interests.text(), QStringLiteral("Combo1"));
        interests.addItem(QStringLiteral("pesca"));
        interests.addItem(QStringLiteral("nuoto"));
        QCOMPARE(interests.text(), QStringLiteral("Combo1"));
        interests.setText(interests.list(0));
        // What picking the second item from the open list does.
        interests.setCurrentIndex(1);
        emit interests.activated(1);
        QCOMPARE(interests.text(), QStringLiteral("pesca"));
    }

    // The birth-date window refuses such dates, so only a questionnaire filled in some other way
    // can bring one here; the conversion's failure then ends the program with error 13.
    void anInvalidDateEndsTheProgramWithATypeMismatch()
    {
        RuntimeFixture fixture;
        answer(QStringLiteral("Mario"), QStringLiteral("Rossi"), { "31", "Febbraio", "1985" }, 1);
        fixture.runtime.call([] { shell::Load<Form5>(); });
        QCOMPARE(fixture.boxes.size(), std::size_t(1));
        QVERIFY(fixture.boxes[0].prompt.contains(QStringLiteral("Errore 13")));
        QVERIFY(fixture.boxes[0].prompt.contains(QStringLiteral("Tipo non corrispondente")));
        QCOMPARE(fixture.runtime.exitStatus(), 1);
        // The sex buttons were never reached.
        QVERIFY(!shell::form<Form5>().window()->findChild<QPushButton*>("Command1")->isEnabled());
        QVERIFY(!shell::form<Form5>().window()->findChild<QPushButton*>("Command2")->isEnabled());
    }
};

QTEST_MAIN(TestSummary)
#include "tst_summary.moc"
