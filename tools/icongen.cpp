// Draws every icon file that the program ships from its one text pixel art: the PNG sizes of the
// freedesktop icon theme, a scalable SVG made of the same pixels, and a 16-colour Windows icon.
//
// Usage: icongen ART OUTPUT_DIRECTORY NAME

#include "backends/qt/qtbackend.h"
#include "shell/pixelart.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

// The 32-pixel image, or the largest there is, is the master for the larger sizes and the SVG.
QImage largest(const QList<QImage>& images)
{
    QImage best;
    for (const QImage& image : images) {
        if (image.width() > best.width())
            best = image;
    }
    return best;
}

bool isOpaque(const QImage& image, int x, int y)
{
    return qAlpha(image.pixel(x, y)) != 0;
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

// One square per black pixel, merged into runs along each row, with crisp edges at every scale.
bool writeSvg(const QImage& image, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream svg(&file);
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << image.width() << "\" height=\""
        << image.height() << "\" viewBox=\"0 0 " << image.width() << ' ' << image.height()
        << "\" shape-rendering=\"crispEdges\">\n  <path fill=\"#000000\" d=\"";
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!isOpaque(image, x, y))
                continue;
            int end = x;
            while (end + 1 < image.width() && isOpaque(image, end + 1, y))
                ++end;
            svg << 'M' << x << ' ' << y << 'h' << (end - x + 1) << "v1h-" << (end - x + 1) << 'z';
            x = end;
        }
    }
    svg << "\"/>\n</svg>\n";
    return svg.status() == QTextStream::Ok;
}

void put16(QByteArray& data, int value)
{
    data.append(char(value & 0xff)).append(char((value >> 8) & 0xff));
}

void put32(QByteArray& data, int value)
{
    put16(data, value & 0xffff);
    put16(data, (value >> 16) & 0xffff);
}

// A classic 16-colour icon image: a 4-bit bitmap with the standard VGA palette, stored bottom
// row first, followed by the 1-bit transparency mask.
QByteArray icoImage(const QImage& image)
{
    static constexpr QRgb vga[16] = { 0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080,
        0xc0c0c0, 0x808080, 0xff0000, 0x00ff00, 0xffff00, 0x0000ff, 0xff00ff, 0x00ffff, 0xffffff };
    const int width = image.width();
    const int height = image.height();
    const int colourRow = ((width * 4 + 31) / 32) * 4;
    const int maskRow = ((width + 31) / 32) * 4;

    QByteArray data;
    put32(data, 40);
    put32(data, width);
    put32(data, height * 2); // colour bitmap and mask together
    put16(data, 1);
    put16(data, 4);
    put32(data, 0);
    put32(data, (colourRow + maskRow) * height);
    put32(data, 0);
    put32(data, 0);
    put32(data, 16);
    put32(data, 0);
    for (QRgb colour : vga) {
        data.append(char(qBlue(colour))).append(char(qGreen(colour))).append(char(qRed(colour))).append('\0');
    }
    // Black is palette entry 0, and so is every transparent pixel under its mask bit.
    data.append(QByteArray(colourRow * height, '\0'));
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        for (int x = 0; x < width; ++x) {
            if (!isOpaque(image, x, y))
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        }
        data.append(row);
    }
    return data;
}

bool writeIco(const QList<QImage>& images, const QString& path)
{
    QList<QImage> ordered = images;
    std::sort(ordered.begin(), ordered.end(),
        [](const QImage& a, const QImage& b) { return a.width() > b.width(); });
    QByteArray header;
    put16(header, 0);
    put16(header, 1);
    put16(header, int(ordered.size()));
    QByteArray bodies;
    const int firstOffset = 6 + 16 * int(ordered.size());
    for (const QImage& image : ordered) {
        const QByteArray body = icoImage(image);
        header.append(char(image.width())).append(char(image.height())).append(char(16)).append('\0');
        put16(header, 1);
        put16(header, 4);
        put32(header, int(body.size()));
        put32(header, firstOffset + int(bodies.size()));
        bodies.append(body);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(header + bodies) == header.size() + bodies.size();
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
    if (!out.mkpath(QStringLiteral(".")) || !writePngs(images, out, name)
        || !writeSvg(largest(images), out.filePath(name + QStringLiteral(".svg")))
        || !writeIco(images, out.filePath(name + QStringLiteral(".ico")))) {
        std::fprintf(stderr, "icongen: cannot write the icons into %s\n", argv[2]);
        return 1;
    }
    return 0;
}
