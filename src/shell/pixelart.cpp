#include "pixelart.h"

namespace shell {

namespace {

    std::string_view trimmed(std::string_view line)
    {
        const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
        while (!line.empty() && space(line.front()))
            line.remove_prefix(1);
        while (!line.empty() && space(line.back()))
            line.remove_suffix(1);
        return line;
    }

    bool imageFromRows(const std::vector<std::string_view>& rows, PixelImage& image)
    {
        image.width = int(rows.front().size());
        image.height = int(rows.size());
        image.opaque.clear();
        for (std::string_view row : rows) {
            if (int(row.size()) != image.width)
                return false;
            for (char pixel : row) {
                if (pixel != '#' && pixel != '.')
                    return false;
                image.opaque.push_back(pixel == '#');
            }
        }
        return true;
    }

}

std::vector<PixelImage> pixelArtImages(std::string_view art)
{
    std::vector<PixelImage> images;
    std::vector<std::string_view> rows;
    const auto finishImage = [&] {
        if (rows.empty())
            return true;
        PixelImage image;
        const bool ok = imageFromRows(rows, image);
        rows.clear();
        images.push_back(std::move(image));
        return ok;
    };
    while (!art.empty()) {
        const std::size_t end = art.find('\n');
        const std::string_view line = trimmed(art.substr(0, end));
        art.remove_prefix(end == std::string_view::npos ? art.size() : end + 1);
        if (line.empty()) {
            if (!finishImage())
                return {};
        } else {
            rows.push_back(line);
        }
    }
    if (!finishImage())
        return {};
    return images;
}

}
