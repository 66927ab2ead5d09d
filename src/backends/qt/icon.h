#pragma once

#include "shell/pixelart.h"

#include <QIcon>
#include <QImage>

#include <string_view>

namespace qtbackend {

// The layouts' pixel art as Qt images and icons: black pixels on a transparent ground.
QImage toImage(const shell::PixelImage& image);
QIcon pixelArtIcon(std::string_view art);

}
