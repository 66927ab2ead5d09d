#pragma once

#include <QIcon>
#include <QImage>
#include <QList>

namespace shell {

// Icons drawn as text: one character per pixel, '#' black and '.' transparent, the top row first.
// A file may hold several images of different sizes, separated by blank lines; every row of an
// image has the same length. Returns no image at all when the text is malformed.
QList<QImage> pixelArtImages(QStringView art);

// The icon of a pixel-art file (a Qt resource or a file path), with one size per image in it.
QIcon pixelArtIcon(const QString& path);

}
