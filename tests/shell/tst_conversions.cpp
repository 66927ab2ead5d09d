#include "shell/conversions.h"
#include "shell/errors.h"
#include "shell/pixelart.h"

#include <QTest>

class TestConversions : public QObject
{
    Q_OBJECT
private slots:
    void datesFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("as the window offers it") << "15 Marzo 1985" << QDate(1985, 3, 15);
        QTest::newRow("first item of every list") << "1 Gennaio 1980" << QDate(1980, 1, 1);
        QTest::newRow("month in any letter case") << "7 dICEMBRE 1998" << QDate(1998, 12, 7);
        QTest::newRow("surrounding and repeated spaces") << "  15   marzo \t1985 " << QDate(1985, 3, 15);
        QTest::newRow("leap year, 29 February") << "29 Febbraio 1984" << QDate(1984, 2, 29);
        QTest::newRow("leap century 2000") << "29 Febbraio 2000" << QDate(2000, 2, 29);
        QTest::newRow("last day of a 30-day month") << "30 Aprile 1990" << QDate(1990, 4, 30);
        QTest::newRow("last day of a 31-day month") << "31 Agosto 1990" << QDate(1990, 8, 31);
        QTest::newRow("numeric with slashes") << "15/03/1985" << QDate(1985, 3, 15);
        QTest::newRow("numeric with hyphens, no zeros") << "5-3-1985" << QDate(1985, 3, 5);
        QTest::newRow("full stops") << "05.03.1985" << QDate(1985, 3, 5);
    }

    void datesFromText()
    {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        QCOMPARE(shell::dateFromText(text), expected);
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
            shell::dateFromText(text);
            QFAIL("accepted as a date");
        } catch (const shell::RuntimeError& error) {
            QCOMPARE(error.number(), shell::error::TypeMismatch);
        }
    }

    void datesToTextFollowTheLocaleWithFourDigitYears_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Italian") << QLocale(QLocale::Italian, QLocale::Italy) << "15/03/1985";
        QTest::newRow("American") << QLocale(QLocale::English, QLocale::UnitedStates) << "3/15/1985";
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "15.03.1985";
    }

    void datesToTextFollowTheLocaleWithFourDigitYears()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, expected);
        const QLocale previous;
        QLocale::setDefault(locale);
        const QString text = shell::dateToText(QDate(1985, 3, 15));
        QLocale::setDefault(previous);
        QCOMPARE(text, expected);
    }

    void integersAndTheirIncrement()
    {
        QCOMPARE(shell::integerToText(0), QStringLiteral("0"));
        QCOMPARE(shell::integerToText(37), QStringLiteral("37"));
        QCOMPARE(shell::integerToText(-32768), QStringLiteral("-32768"));
        QCOMPARE(shell::increment(-1), qint16(0));
        QCOMPARE(shell::increment(32766), qint16(32767));
        try {
            shell::increment(32767);
            QFAIL("no overflow");
        } catch (const shell::RuntimeError& error) {
            QCOMPARE(error.number(), shell::error::Overflow);
            QCOMPARE(error.description(), QStringLiteral("Overflow"));
        }
    }

    void pixelArt()
    {
        const QList<QImage> images = shell::pixelArtImages(u"#.\n.#\n\n###\n#.#\n###\n");
        QCOMPARE(images.size(), 2);
        QCOMPARE(images[0].size(), QSize(2, 2));
        QCOMPARE(images[0].pixel(0, 0), qRgba(0, 0, 0, 255));
        QCOMPARE(qAlpha(images[0].pixel(1, 0)), 0);
        QCOMPARE(images[1].size(), QSize(3, 3));
        QCOMPARE(qAlpha(images[1].pixel(1, 1)), 0);
        // Rows of unequal length or unknown characters make the whole text unusable.
        QVERIFY(shell::pixelArtImages(u"##\n#\n").isEmpty());
        QVERIFY(shell::pixelArtImages(u"#x\n##\n").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
