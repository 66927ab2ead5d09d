#include "questionnaire/form1.h"
#include "questionnaire/form2.h"
#include "questionnaire/form3.h"
#include "questionnaire/form4.h"
#include "shell/controls.h"
#include "summary/form5.h"
#include "support/testsupport.h"

#include <QTest>

using namespace testsupport;
using namespace Qt::StringLiterals;

namespace {

template <class F> void clickNext()
{
    shell::form<F>().template control<shell::CommandButton>("Command1").click();
}

template <class F, class Control> Control& the(std::string_view name)
{
    return shell::form<F>().template control<Control>(name);
}

}

class TestQuestionnaire : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }
    void cleanup() { QTRY_VERIFY(noWindowLeft()); }

    void theNameWindowStoresTheTextsAsTypedAndOpensTheNext()
    {
        RuntimeFixture fixture;
        fixture.runtime.showModeless(shell::form<Form1>());
        the<Form1, shell::TextBox>("Text1").setText(QStringLiteral(" Maria Grazia "));
        bool form2Modal = false;
        whenShown<Form2>([&] {
            form2Modal = true;
            shell::Unload<Form2>();
        });
        clickNext<Form1>();
        QVERIFY(form2Modal);
        QCOMPARE(shell::form<Form1>().nome, QStringLiteral(" Maria Grazia "));
        QCOMPARE(shell::form<Form1>().cognome, QString());

        // With the next window gone, "Successivo" works again and overwrites the fields, while the
        // next window starts from its layout and keeps its own fields.
        shell::form<Form2>().giorno = QStringLiteral("9");
        the<Form1, shell::TextBox>("Text2").setText(QStringLiteral("Rossi"));
        QString dayShown;
        whenShown<Form2>([&] {
            dayShown = the<Form2, shell::ComboBox>("Combo1").text();
            shell::Unload<Form2>();
        });
        clickNext<Form1>();
        QCOMPARE(shell::form<Form1>().cognome, QStringLiteral("Rossi"));
        QCOMPARE(dayShown, QStringLiteral("1"));
        QCOMPARE(shell::form<Form2>().giorno, QStringLiteral("9"));
    }

    void theBirthDateWindowOffersItsListsAndStoresValidDates_data()
    {
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("year");
        QTest::newRow("untouched") << QString() << QString() << QString();
        QTest::newRow("picked") << "29"
                                << "Febbraio"
                                << "1996";
        QTest::newRow("typed in lower case") << "15"
                                             << "marzo"
                                             << "1985";
        QTest::newRow("typed year outside the list") << "3"
                                                     << "Maggio"
                                                     << "2001";
    }

    void theBirthDateWindowOffersItsListsAndStoresValidDates()
    {
        QFETCH(QString, day);
        QFETCH(QString, month);
        QFETCH(QString, year);
        RuntimeFixture fixture;
        auto& days = the<Form2, shell::ComboBox>("Combo1");
        auto& months = the<Form2, shell::ComboBox>("Combo2");
        auto& years = the<Form2, shell::ComboBox>("Combo3");
        QCOMPARE(days.count(), 31);
        QCOMPARE(days.list(30), QStringLiteral("31"));
        QCOMPARE(months.count(), 12);
        QCOMPARE(months.list(11), QStringLiteral("Dicembre"));
        QCOMPARE(years.count(), 19);
        QCOMPARE(years.list(0), QStringLiteral("1980"));
        QCOMPARE(years.list(18), QStringLiteral("1998"));
        if (!day.isEmpty()) {
            days.setText(day);
            months.setText(month);
            years.setText(year);
        }

        fixture.runtime.showModeless(shell::form<Form2>());
        bool form3Modal = false;
        whenShown<Form3>([&] {
            form3Modal = true;
            shell::Unload<Form3>();
        });
        clickNext<Form2>();
        QVERIFY(form3Modal);
        QVERIFY(fixture.boxes.empty());
        const Form2& stored = shell::form<Form2>();
        QCOMPARE(stored.giorno, day.isEmpty() ? QStringLiteral("1") : day);
        QCOMPARE(stored.mese, month.isEmpty() ? QStringLiteral("Gennaio") : month);
        QCOMPARE(stored.anno, year.isEmpty() ? QStringLiteral("1980") : year);
    }

    void aDateThatDoesNotExistIsRefusedWhereItIsEntered_data()
    {
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("year");
        QTest::newRow("31 February") << "31"
                                     << "Febbraio"
                                     << "1985";
        QTest::newRow("30 February") << "30"
                                     << "Febbraio"
                                     << "1996";
        QTest::newRow("29 February, common year") << "29"
                                                  << "Febbraio"
                                                  << "1985";
        QTest::newRow("31 April") << "31"
                                  << "Aprile"
                                  << "1990";
        QTest::newRow("year typed as letters") << "1"
                                               << "Gennaio"
                                               << "abc";
        QTest::newRow("emptied day") << ""
                                     << "Gennaio"
                                     << "1980";
    }

    void aDateThatDoesNotExistIsRefusedWhereItIsEntered()
    {
        QFETCH(QString, day);
        QFETCH(QString, month);
        QFETCH(QString, year);
        RuntimeFixture fixture;
        fixture.runtime.showModeless(shell::form<Form2>());
        the<Form2, shell::ComboBox>("Combo1").setText(day);
        the<Form2, shell::ComboBox>("Combo2").setText(month);
        the<Form2, shell::ComboBox>("Combo3").setText(year);
        the<Form2, shell::CommandButton>("Command1").setFocus();
        clickNext<Form2>();

        QCOMPARE(fixture.boxes.size(), std::size_t(1));
        QCOMPARE(fixture.boxes[0].prompt, QStringLiteral("Data di nascita non valida"));
        QCOMPARE(fixture.boxes[0].title, QStringLiteral("Data di nascita"));
        QCOMPARE(fixture.boxes[0].style, shell::MsgStyle::Exclamation);
        QVERIFY(!shell::form<Form3>().isLoaded());
        QCOMPARE(shell::form<Form2>().giorno, QString());
        QVERIFY(!fixture.runtime.isEnding());
        QWidget* dayBox = &the<Form2, shell::ComboBox>("Combo1");
        QCOMPARE(shell::form<Form2>().window()->focusWidget(), dayBox);
    }

    void theSexWindowStoresOneOnlyForMaschio_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("expected");
        QTest::newRow("neither") << QString() << 0;
        QTest::newRow("Maschio") << "Option1" << 1;
        QTest::newRow("Femmina") << "Option2" << 0;
    }

    void theSexWindowStoresOneOnlyForMaschio()
    {
        QFETCH(QString, selected);
        QFETCH(int, expected);
        RuntimeFixture fixture;
        fixture.runtime.showModeless(shell::form<Form3>());
        auto& maschio = the<Form3, shell::OptionButton>("Option1");
        auto& femmina = the<Form3, shell::OptionButton>("Option2");
        QVERIFY(!maschio.isChecked() && !femmina.isChecked());
        // The two buttons form one group: choosing one clears the other.
        maschio.setChecked(true);
        femmina.setChecked(true);
        QVERIFY(!maschio.isChecked());
        femmina.setAutoExclusive(false);
        femmina.setChecked(false);
        femmina.setAutoExclusive(true);
        if (!selected.isEmpty())
            the<Form3, shell::OptionButton>(selected.toStdString()).setChecked(true);

        whenShown<Form4>([] { shell::Unload<Form4>(); });
        clickNext<Form3>();
        QCOMPARE(shell::form<Form3>().sesso, qint16(expected));
    }

    void theInterestsGoStraightIntoTheSummary_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QStringList>("expectedItems");
        QTest::newRow("none ticked") << QList<int> { 0, 0, 0, 0, 0, 0 } << QStringList {};
        QTest::newRow("all ticked") << QList<int> { 1, 1, 1, 1, 1, 1 }
                                    << QStringList { "pesca", "nuoto", "sub", "droga", "rock", "internet" };
        QTest::newRow("some, in box order")
            << QList<int> { 0, 1, 0, 0, 1, 1 } << QStringList { "nuoto", "rock", "internet" };
        QTest::newRow("greyed counts as not ticked")
            << QList<int> { 2, 0, 1, 2, 0, 0 } << QStringList { "sub" };
    }

    void theInterestsGoStraightIntoTheSummary()
    {
        QFETCH(QList<int>, values);
        QFETCH(QStringList, expectedItems);
        RuntimeFixture fixture;
        // The summary that opens next reads the date of birth.
        Form2& birth = shell::form<Form2>();
        std::tie(birth.giorno, birth.mese, birth.anno) = std::tuple(u"1"_s, u"Gennaio"_s, u"1980"_s);
        fixture.runtime.showModeless(shell::form<Form4>());
        for (int i = 0; i < values.size(); ++i)
            the<Form4, shell::CheckBox>("Check" + std::to_string(i + 1)).setValue(qint16(values[i]));

        QStringList items;
        QString text;
        whenShown<Form5>([&] {
            const auto& combo = the<Form5, shell::ComboBox>("Combo1");
            for (int i = 0; i < combo.count(); ++i)
                items.append(combo.list(i));
            text = combo.text();
            shell::Unload<Form5>();
        });
        clickNext<Form4>();
        QCOMPARE(items, expectedItems);
        QCOMPARE(text, expectedItems.value(0));
        QCOMPARE(shell::form<Form4>().pesca, qint16(0));

        // With the summary gone, "Successivo" loads it afresh: only this click's items are listed.
        int again = -1;
        whenShown<Form5>([&] {
            again = the<Form5, shell::ComboBox>("Combo1").count();
            shell::Unload<Form5>();
        });
        clickNext<Form4>();
        QCOMPARE(again, int(expectedItems.size()));
    }
};

QTEST_MAIN(TestQuestionnaire)
#include "tst_questionnaire.moc"
