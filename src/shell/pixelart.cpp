#include "pixelart.h"

#include <QFile>
#include <QPixmap>

namespace shell {

namespace {

    QImage imageFromRows(const QList<QStringView>& rows)
    {
        const qsizetype width = rows.first().size();
        QImage image(int(width), int(rows.size()), QImage::Format_ARGB32);
        for (int y = 0; y < rows.size(); ++y) {
            if (rows[y].size() != width)
                return {};
            for (int x = 0; x < width; ++x) {
                const QChar pixel = rows[y][x];
                if (pixel == u'#')
                    image.setPixel(x, y, qRgba(0, 0, 0, 255));
                else if (pixel == u'.')
                    image.setPixel(x, y, qRgba(0, 0, 0, 0));
                else
                    return {};
            }
        }
        return image;
    }

}

QList<QImage> pixelArtImages(QStringView art)
{
    QList<QImage> images;
    QList<QStringView> rows;
    const auto finishImage = [&] {
        if (rows.isEmpty())
            return true;
        const QImage image = imageFromRows(rows);
        rows.clear();
        images.append(image);
        return !image.isNull();
    };
    for (QStringView line : art.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty()) {
            if (!finishImage())
                return {};
        } else {
            rows.append(line);
        }
    }
    if (!finishImage())
        return {};
    return images;
}

QIcon pixelArtIcon(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("Cannot read the icon %s", qPrintable(path));
        return {};
    }
    const QString art = QString::fromUtf8(file.readAll());
    QIcon icon;
    for (const QImage& image : pixelArtImages(art))
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

}
