#include "shell/conversions.h"
#include "shell/errors.h"
#include "shell/pixelart.h"

#include <QTest>

using namespace std::chrono;

Q_DECLARE_METATYPE(shell::Date)

namespace {
shell::Date date(int y, unsigned m, unsigned d)
{
    return year(y) / month(m) / day(d);
}
}

class TestConversions : public QObject
{
    Q_OBJECT
private slots:
    void datesFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<shell::Date>("expected");
        QTest::newRow("as the window offers it") << "15 Marzo 1985" << date(1985, 3, 15);
        QTest::newRow("first item of every list") << "1 Gennaio 1980" << date(1980, 1, 1);
        QTest::newRow("month in any letter case") << "7 dICEMBRE 1998" << date(1998, 12, 7);
        QTest::newRow("surrounding and repeated spaces") << "  15   marzo \t1985 " << date(1985, 3, 15);
        QTest::newRow("leap year, 29 February") << "29 Febbraio 1984" << date(1984, 2, 29);
        QTest::newRow("leap century 2000") << "29 Febbraio 2000" << date(2000, 2, 29);
        QTest::newRow("last day of a 30-day month") << "30 Aprile 1990" << date(1990, 4, 30);
        QTest::newRow("last day of a 31-day month") << "31 Agosto 1990" << date(1990, 8, 31);
        QTest::newRow("numeric with slashes") << "15/03/1985" << date(1985, 3, 15);
        QTest::newRow("numeric with hyphens, no zeros") << "5-3-1985" << date(1985, 3, 5);
        QTest::newRow("full stops") << "05.03.1985" << date(1985, 3, 5);
    }

    void datesFromText()
    {
        QFETCH(QString, text);
        QFETCH(shell::Date, expected);
        QVERIFY(shell::dateFromText(text.toStdString()) == expected);
        QVERIFY(shell::parseDate(text.toStdString()) == expected);
    }

    void textsThatAreNoDateAreATypeMismatch_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("31 February") << "31 Febbraio 1985";
        QTest::newRow("29 February, common year") << "29 Febbraio 1985";
        QTest::newRow("29 February 1900, not a leap year") << "29 Febbraio 1900";
        QTest::newRow("31 of a 30-day month") << "31 Giugno 1990";
        QTest::newRow("day 0") << "0 Marzo 1985";
        QTest::newRow("day 32") << "32 Gennaio 1985";
        QTest::newRow("year as letters") << "1 Gennaio abc";
        QTest::newRow("two-digit year") << "1 Gennaio 85";
        QTest::newRow("English month") << "1 January 1985";
        QTest::newRow("month 13") << "1/13/1985";
        QTest::newRow("signed month") << "1 +3 1985";
        QTest::newRow("unknown month") << "1 Gennaiox 1985";
        QTest::newRow("empty") << "";
        QTest::newRow("only spaces") << "   ";
        QTest::newRow("missing year") << "1 Gennaio";
        QTest::newRow("extra part") << "1 Gennaio 1985 12";
        QTest::newRow("negative day") << "-1 Gennaio 1985";
        QTest::newRow("signed year") << "1 Gennaio +985";
    }

    void textsThatAreNoDateAreATypeMismatch()
    {
        QFETCH(QString, text);
        try {
            QVERIFY(!shell::parseDate(text.toStdString()));
            shell::dateFromText(text.toStdString());
            QFAIL("accepted as a date");
        } catch (const shell::RuntimeError& error) {
            QCOMPARE(error.number(), shell::error::TypeMismatch);
        }
    }

    void datesToTextFollowTheLocaleWithFourDigitYears_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Italian") << "dd/MM/yy" << 1985 << "15/03/1985";
        QTest::newRow("American") << "M/d/yy" << 1985 << "3/15/1985";
        QTest::newRow("German") << "dd.MM.yy" << 1985 << "15.03.1985";
        QTest::newRow("four digits already") << "yyyy-MM-dd" << 1985 << "1985-03-15";
        QTest::newRow("a year before 1000 keeps four digits") << "dd/MM/yyyy" << 985 << "15/03/0985";
        QTest::newRow("month names and quoted text") << "d MMM 'del' yyyy" << 1985 << "15 mar del 1985";
        QTest::newRow("no pattern of its own (C locale): Italian") << "" << 1985 << "15/03/1985";
    }

    void datesToTextFollowTheLocaleWithFourDigitYears()
    {
        QFETCH(QString, pattern);
        QFETCH(int, year);
        QFETCH(QString, expected);
        shell::DateFormat format {
            .shortPattern = pattern.toStdString(), .monthNames = {}, .shortMonthNames = {}
        };
        format.shortMonthNames[2] = "mar";
        QCOMPARE(QString::fromStdString(shell::dateToText(date(year, 3, 15), format)), expected);
    }

    void integersAndTheirIncrement()
    {
        QCOMPARE(shell::integerToText(0), "0");
        QCOMPARE(shell::integerToText(37), "37");
        QCOMPARE(shell::integerToText(-32768), "-32768");
        QCOMPARE(shell::increment(-1), std::int16_t(0));
        QCOMPARE(shell::increment(32766), std::int16_t(32767));
        try {
            shell::increment(32767);
            QFAIL("no overflow");
        } catch (const shell::RuntimeError& error) {
            QCOMPARE(error.number(), shell::error::Overflow);
            QCOMPARE(error.description(), "Overflow");
        }
    }

    void pixelArt()
    {
        const std::vector<shell::PixelImage> images = shell::pixelArtImages("#.\n.#\n\n###\n#.#\n###\n");
        QCOMPARE(images.size(), std::size_t(2));
        QCOMPARE(images[0].width, 2);
        QCOMPARE(images[0].height, 2);
        QVERIFY(images[0].isOpaque(0, 0));
        QVERIFY(!images[0].isOpaque(1, 0));
        QCOMPARE(images[1].width, 3);
        QVERIFY(!images[1].isOpaque(1, 1));
        // Rows of unequal length or unknown characters make the whole text unusable.
        QVERIFY(shell::pixelArtImages("##\n#\n").empty());
        QVERIFY(shell::pixelArtImages("#x\n##\n").empty());
    }
};

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
