#pragma once

#include <string_view>
#include <vector>

namespace shell {

// One image of a pixel-art icon: black where `opaque` is set, transparent elsewhere.
struct PixelImage
{
    int width = 0;
    int height = 0;
    std::vector<bool> opaque; // row by row, top row first

    bool isOpaque(int x, int y) const { return opaque[std::size_t(y * width + x)]; }
};

// Icons drawn as text: one character per pixel, '#' black and '.' transparent, the top row first.
// A text may hold several images of different sizes, separated by blank lines; every row of an
// image has the same length. Returns no image at all when the text is malformed.
std::vector<PixelImage> pixelArtImages(std::string_view art);

}
