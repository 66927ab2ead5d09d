#include "questionnaire/form1.h"
#include "questionnaire/form2.h"
#include "questionnaire/form3.h"
#include "questionnaire/form4.h"
#include "shell/controls.h"
#include "summary/form5.h"
#include "support/fakedesktop.h"

#include <QTest>

using namespace testsupport;
using namespace std::string_literals;

namespace {

template <class F> void open()
{
    shell::Runtime::current().showModeless(shell::form<F>());
}

FakeControl& fake(const shell::Form& form, std::string_view control)
{
    return static_cast<FakeDesktop&>(shell::Runtime::current().backend()).window(form)->fake(control);
}

QStringList toList(const std::vector<std::string>& items)
{
    QStringList list;
    for (const std::string& item : items)
        list.append(QString::fromStdString(item));
    return list;
}

}

class TestQuestionnaire : public QObject
{
    Q_OBJECT
private slots:
    void theNameWindowStoresTheTextsAsTypedAndOpensTheNext()
    {
        RuntimeFixture fixture;
        FakeDesktop& desktop = fixture.desktop;
        Form1& name = shell::form<Form1>();
        open<Form1>();
        desktop.type(name, "Text1", " Maria Grazia ");
        bool form2Modal = false;
        desktop.whenShown<Form2>([&] {
            form2Modal = !desktop.takesInput(name) && desktop.window(name)->isVisible();
            desktop.type(shell::form<Form2>(), "Combo1", "9");
            desktop.requestClose(shell::form<Form2>());
        });
        desktop.click(name, "Command1");
        QVERIFY(form2Modal);
        QCOMPARE(name.nome, " Maria Grazia ");
        QCOMPARE(name.cognome, "");

        // With the next window gone, "Successivo" works again and overwrites the fields, while the
        // next window starts from its layout and keeps its own fields.
        shell::form<Form2>().giorno = "12";
        desktop.type(name, "Text2", "Rossi");
        std::string dayShown;
        desktop.whenShown<Form2>([&] {
            dayShown = shell::form<Form2>().control<shell::ComboBox>("Combo1").text();
            desktop.requestClose(shell::form<Form2>());
        });
        desktop.click(name, "Command1");
        QCOMPARE(name.cognome, "Rossi");
        QCOMPARE(dayShown, "1");
        QCOMPARE(shell::form<Form2>().giorno, "12");
        QVERIFY(desktop.stuck.empty());
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
        FakeDesktop& desktop = fixture.desktop;
        Form2& birth = shell::form<Form2>();
        open<Form2>();
        const QStringList days = toList(fake(birth, "Combo1").items());
        const QStringList months = toList(fake(birth, "Combo2").items());
        const QStringList years = toList(fake(birth, "Combo3").items());
        QCOMPARE(days.size(), 31);
        QCOMPARE(days.front(), "1");
        QCOMPARE(days.back(), "31");
        QCOMPARE(months.size(), 12);
        QCOMPARE(months.front(), "Gennaio");
        QCOMPARE(months.back(), "Dicembre");
        QCOMPARE(years.size(), 19);
        QCOMPARE(years.front(), "1980");
        QCOMPARE(years.back(), "1998");
        if (!day.isEmpty()) {
            desktop.type(birth, "Combo1", day.toStdString());
            desktop.type(birth, "Combo2", month.toStdString());
            desktop.type(birth, "Combo3", year.toStdString());
        }

        bool form3Modal = false;
        desktop.whenShown<Form3>([&] {
            form3Modal = !desktop.takesInput(birth);
            desktop.requestClose(shell::form<Form3>());
        });
        desktop.click(birth, "Command1");
        QVERIFY(form3Modal);
        QVERIFY(fixture.boxes.empty());
        QCOMPARE(birth.giorno, day.isEmpty() ? "1" : day.toStdString());
        QCOMPARE(birth.mese, month.isEmpty() ? "Gennaio" : month.toStdString());
        QCOMPARE(birth.anno, year.isEmpty() ? "1980" : year.toStdString());
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
        FakeDesktop& desktop = fixture.desktop;
        Form2& birth = shell::form<Form2>();
        open<Form2>();
        desktop.type(birth, "Combo1", day.toStdString());
        desktop.type(birth, "Combo2", month.toStdString());
        desktop.type(birth, "Combo3", year.toStdString());
        desktop.click(birth, "Command1");

        QCOMPARE(fixture.boxes.size(), std::size_t(1));
        QCOMPARE(fixture.boxes[0].prompt, "Data di nascita non valida");
        QCOMPARE(fixture.boxes[0].title, "Data di nascita");
        QCOMPARE(fixture.boxes[0].style, shell::MsgStyle::Exclamation);
        QVERIFY(!shell::form<Form3>().isLoaded());
        QCOMPARE(birth.giorno, "");
        QVERIFY(!fixture.runtime.isEnding());
        // The day is where the user mends the date.
        QCOMPARE(desktop.window(birth)->focus, std::optional<std::size_t>(4));
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
        FakeDesktop& desktop = fixture.desktop;
        Form3& sex = shell::form<Form3>();
        open<Form3>();
        if (!selected.isEmpty())
            desktop.click(sex, selected.toStdString());

        bool form4Shown = false;
        desktop.whenShown<Form4>([&] {
            form4Shown = true;
            desktop.requestClose(shell::form<Form4>());
        });
        desktop.click(sex, "Command1");
        QVERIFY(form4Shown);
        QCOMPARE(sex.sesso, std::int16_t(expected));
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
        FakeDesktop& desktop = fixture.desktop;
        // The summary that opens next reads the date of birth.
        Form2& birth = shell::form<Form2>();
        // Moved in as strings: GCC 12 at -O3 warns falsely (-Wrestrict) when a std::string is assigned
        // a short character array.
        std::tie(birth.giorno, birth.mese, birth.anno) = std::tuple("1"s, "Gennaio"s, "1980"s);
        Form4& interests = shell::form<Form4>();
        open<Form4>();
        for (int i = 0; i < values.size(); ++i)
            desktop.tick(interests, "Check" + std::to_string(i + 1), values[i]);

        QStringList items;
        std::string text;
        desktop.whenShown<Form5>([&] {
            items = toList(fake(shell::form<Form5>(), "Combo1").items());
            text = shell::form<Form5>().control<shell::ComboBox>("Combo1").text();
            desktop.requestClose(shell::form<Form5>());
        });
        desktop.click(interests, "Command1");
        QCOMPARE(items, expectedItems);
        QCOMPARE(QString::fromStdString(text), expectedItems.value(0));
        QCOMPARE(interests.pesca, std::int16_t(0));

        // With the summary gone, "Successivo" loads it afresh: only this click's items are listed.
        qsizetype again = -1;
        desktop.whenShown<Form5>([&] {
            again = qsizetype(fake(shell::form<Form5>(), "Combo1").items().size());
            desktop.requestClose(shell::form<Form5>());
        });
        desktop.click(interests, "Command1");
        QCOMPARE(again, expectedItems.size());
    }
};

QTEST_APPLESS_MAIN(TestQuestionnaire)
#include "tst_questionnaire.moc"
