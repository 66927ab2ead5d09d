#include "icon.h"

#include <QPixmap>

namespace qtbackend {

QImage toImage(const shell::PixelImage& art)
{
    QImage image(art.width, art.height, QImage::Format_ARGB32);
    for (int y = 0; y < art.height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < art.width; ++x)
            row[x] = art.isOpaque(x, y) ? qRgba(0, 0, 0, 255) : qRgba(0, 0, 0, 0);
    }
    return image;
}

QIcon pixelArtIcon(std::string_view art)
{
    QIcon icon;
    for (const shell::PixelImage& image : shell::pixelArtImages(art))
        icon.addPixmap(QPixmap::fromImage(toImage(image)));
    return icon;
}

}
