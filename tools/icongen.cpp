// Draws the PNG sizes of the freedesktop icon theme from the program's one text pixel art.
// tools/pixelicons.cpp writes the SVG and the Windows icon from the same art without Qt.
//
// Usage: icongen ART OUTPUT_DIRECTORY NAME

#include "backends/qt/icon.h"
#include "shell/pixelart.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <cstdio>

namespace {

// The 32-pixel image, or the largest there is, is the master for the larger sizes.
QImage largest(const QList<QImage>& images)
{
    QImage best;
    for (const QImage& image : images) {
        if (image.width() > best.width())
            best = image;
    }
    return best;
}

bool writePngs(const QList<QImage>& images, const QDir& out, const QString& name)
{
    const QImage master = largest(images);
    QList<QImage> sizes = images;
    for (int size : { 64, 128 })
        sizes.append(master.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    for (const QImage& image : sizes) {
        const QString folder = QStringLiteral("%1x%1").arg(image.width());
        if (!out.mkpath(folder)
            || !image.save(out.filePath(folder + u'/' + name + QStringLiteral(".png")), "PNG"))
            return false;
    }
    return true;
}

}

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: icongen ART OUTPUT_DIRECTORY NAME\n");
        return 2;
    }
    QFile art(QString::fromLocal8Bit(argv[1]));
    if (!art.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "icongen: cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray text = art.readAll();
    QList<QImage> images;
    for (const shell::PixelImage& image :
        shell::pixelArtImages(std::string_view(text.constData(), std::size_t(text.size()))))
        images.append(qtbackend::toImage(image));
    if (images.isEmpty()) {
        std::fprintf(stderr, "icongen: %s is no valid pixel art\n", argv[1]);
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const QString name = QString::fromLocal8Bit(argv[3]);
    if (!out.mkpath(QStringLiteral(".")) || !writePngs(images, out, name)) {
        std::fprintf(stderr, "icongen: cannot write the icons into %s\n", argv[2]);
        return 1;
    }
    return 0;
}
