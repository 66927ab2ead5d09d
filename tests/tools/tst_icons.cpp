#include "backends/qt/icon.h"
#include "shell/pixelart.h"

#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QTest>

namespace {

QList<QImage> art()
{
    QFile file(QStringLiteral(ART_FILE));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    QList<QImage> images;
    for (const shell::PixelImage& image :
        shell::pixelArtImages(std::string_view(text.constData(), std::size_t(text.size()))))
        images.append(qtbackend::toImage(image));
    return images;
}

QString icon(const QString& relative)
{
    return QStringLiteral(ICON_DIR "/") + relative;
}

// Whether an image shows exactly the pixel art, scaled up by whole pixels: black where the art is
// black, transparent where it is transparent.
bool sameDrawing(const QImage& image, const QImage& drawing)
{
    if (image.isNull() || image.width() % drawing.width() != 0 || image.height() != image.width())
        return false;
    const int scale = image.width() / drawing.width();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb expected = drawing.pixel(x / scale, y / scale);
            const QRgb actual = image.pixel(x, y);
            if ((qAlpha(expected) == 0) != (qAlpha(actual) == 0))
                return false;
            if (qAlpha(actual) != 0 && (qRed(actual) | qGreen(actual) | qBlue(actual)) != 0)
                return false;
        }
    }
    return true;
}

}

// Every icon file the build draws matches the one pixel art, pixel for pixel.
class TestIcons : public QObject
{
    Q_OBJECT
private slots:
    void thePixelArtHoldsTheTwoImages()
    {
        const QList<QImage> images = art();
        QCOMPARE(images.size(), 2);
        QCOMPARE(images[0].size(), QSize(32, 32));
        QCOMPARE(images[1].size(), QSize(16, 16));
    }

    void pngSizes_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("drawing");
        QTest::newRow("16, its own image") << 16 << 1;
        QTest::newRow("32, its own image") << 32 << 0;
        QTest::newRow("64, the 32 doubled") << 64 << 0;
        QTest::newRow("128, the 32 quadrupled") << 128 << 0;
    }

    void pngSizes()
    {
        QFETCH(int, size);
        QFETCH(int, drawing);
        const QImage image(icon(QStringLiteral("%1x%1/" APP_ID ".png").arg(size)));
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(sameDrawing(image.convertToFormat(QImage::Format_ARGB32), art().value(drawing)));
    }

    void windowsIconHasBothImages()
    {
        QImageReader reader(icon(QStringLiteral(APP_ID ".ico")), "ico");
        QCOMPARE(reader.imageCount(), 2);
        QList<int> sizes;
        do {
            const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
            sizes.append(image.width());
            QVERIFY(sameDrawing(image, art().value(image.width() == 32 ? 0 : 1)));
        } while (reader.jumpToNextImage());
        QCOMPARE(sizes, QList<int>({ 32, 16 }));
    }

    // The scalable icon is one unit square per black pixel of the 32-pixel image.
    void scalableIconCoversTheBlackPixels()
    {
        QFile file(icon(QStringLiteral(APP_ID ".svg")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString svg = QString::fromUtf8(file.readAll());
        QVERIFY(svg.contains(QStringLiteral("viewBox=\"0 0 32 32\"")));
        QImage drawn(32, 32, QImage::Format_ARGB32);
        drawn.fill(Qt::transparent);
        static const QRegularExpression run(QStringLiteral("M(\\d+) (\\d+)h(\\d+)v1h-\\3z"));
        for (const QRegularExpressionMatch& match : run.globalMatch(svg)) {
            const int x = match.captured(1).toInt();
            const int y = match.captured(2).toInt();
            for (int i = 0; i < match.captured(3).toInt(); ++i)
                drawn.setPixel(x + i, y, qRgba(0, 0, 0, 255));
        }
        QVERIFY(sameDrawing(drawn, art().value(0)));
    }
};

QTEST_GUILESS_MAIN(TestIcons)
#include "tst_icons.moc"
