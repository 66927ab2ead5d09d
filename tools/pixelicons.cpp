// Writes the icon files that need no image library from the program's one text pixel art: a
// scalable SVG made of the same pixels and a 16-colour Windows icon. It is plain C++ so that it
// can run on the build machine of any build, also one that cross-compiles for Windows without Qt;
// tools/icongen.cpp draws the PNG sizes for the Linux desktop.
//
// Usage: pixelicons ART OUTPUT_DIRECTORY NAME

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One image of the art: true where a pixel is black, false where it is transparent.
struct Image
{
    int width = 0;
    int height = 0;
    std::vector<bool> black;

    bool opaque(int x, int y) const { return black[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

std::string_view trimmed(std::string_view line)
{
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

// The same format as the program reads at run time: one character per pixel, '#' black and '.'
// transparent, the top row first, images separated by blank lines, every row of an image as long
// as its first. Returns nothing when the text is malformed.
std::optional<std::vector<Image>> readArt(const std::string& art)
{
    std::vector<Image> images;
    Image current;
    const auto finishImage = [&] {
        if (current.height > 0)
            images.push_back(current);
        current = {};
    };
    std::istringstream lines(art);
    for (std::string raw; std::getline(lines, raw);) {
        const std::string_view line = trimmed(raw);
        if (line.empty()) {
            finishImage();
            continue;
        }
        if (current.height == 0)
            current.width = int(line.size());
        else if (int(line.size()) != current.width)
            return std::nullopt;
        for (const char pixel : line) {
            if (pixel != '#' && pixel != '.')
                return std::nullopt;
            current.black.push_back(pixel == '#');
        }
        ++current.height;
    }
    finishImage();
    if (images.empty())
        return std::nullopt;
    return images;
}

// One square per black pixel, merged into runs along each row, with crisp edges at every scale.
std::string svg(const Image& image)
{
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << image.width << "\" height=\""
        << image.height << "\" viewBox=\"0 0 " << image.width << ' ' << image.height
        << "\" shape-rendering=\"crispEdges\">\n  <path fill=\"#000000\" d=\"";
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (!image.opaque(x, y))
                continue;
            int end = x;
            while (end + 1 < image.width && image.opaque(end + 1, y))
                ++end;
            out << 'M' << x << ' ' << y << 'h' << (end - x + 1) << "v1h-" << (end - x + 1) << 'z';
            x = end;
        }
    }
    out << "\"/>\n</svg>\n";
    return out.str();
}

void put8(std::string& data, unsigned value)
{
    data.push_back(char(value & 0xff));
}

void put16(std::string& data, unsigned value)
{
    put8(data, value);
    put8(data, value >> 8);
}

void put32(std::string& data, std::uint32_t value)
{
    put16(data, value & 0xffff);
    put16(data, value >> 16);
}

// A classic 16-colour icon image: a 4-bit bitmap with the standard VGA palette, stored bottom
// row first, followed by the 1-bit transparency mask.
std::string icoImage(const Image& image)
{
    static constexpr std::uint32_t vga[16] = { 0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
        0x008080, 0xc0c0c0, 0x808080, 0xff0000, 0x00ff00, 0xffff00, 0x0000ff, 0xff00ff, 0x00ffff, 0xffffff };
    const unsigned colourRow = ((unsigned(image.width) * 4 + 31) / 32) * 4;
    const unsigned maskRow = ((unsigned(image.width) + 31) / 32) * 4;

    std::string data;
    put32(data, 40);
    put32(data, std::uint32_t(image.width));
    put32(data, std::uint32_t(image.height) * 2); // colour bitmap and mask together
    put16(data, 1);
    put16(data, 4);
    put32(data, 0);
    put32(data, (colourRow + maskRow) * unsigned(image.height));
    put32(data, 0);
    put32(data, 0);
    put32(data, 16);
    put32(data, 0);
    for (const std::uint32_t colour : vga) {
        put8(data, colour); // blue, green, red, reserved
        put8(data, colour >> 8);
        put8(data, colour >> 16);
        put8(data, 0);
    }
    // Black is palette entry 0, and so is every transparent pixel under its mask bit.
    data.append(std::size_t(colourRow) * std::size_t(image.height), '\0');
    for (int y = image.height - 1; y >= 0; --y) {
        std::string row(maskRow, '\0');
        for (int x = 0; x < image.width; ++x) {
            if (!image.opaque(x, y))
                row[std::size_t(x / 8)] = char(row[std::size_t(x / 8)] | (0x80 >> (x % 8)));
        }
        data += row;
    }
    return data;
}

std::string ico(std::vector<Image> images)
{
    std::sort(images.begin(), images.end(), [](const Image& a, const Image& b) { return a.width > b.width; });
    std::string header;
    put16(header, 0);
    put16(header, 1); // an icon, not a cursor
    put16(header, unsigned(images.size()));
    std::string bodies;
    const std::size_t firstOffset = 6 + 16 * images.size();
    for (const Image& image : images) {
        const std::string body = icoImage(image);
        put8(header, unsigned(image.width));
        put8(header, unsigned(image.height));
        put8(header, 16);
        put8(header, 0);
        put16(header, 1);
        put16(header, 4);
        put32(header, std::uint32_t(body.size()));
        put32(header, std::uint32_t(firstOffset + bodies.size()));
        bodies += body;
    }
    return header + bodies;
}

bool write(const std::filesystem::path& path, const std::string& contents)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << contents;
    file.close();
    return bool(file);
}

}

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: pixelicons ART OUTPUT_DIRECTORY NAME\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::string art { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
    if (!file) {
        std::fprintf(stderr, "pixelicons: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::optional<std::vector<Image>> images = readArt(art);
    if (!images) {
        std::fprintf(stderr, "pixelicons: %s is no valid pixel art\n", argv[1]);
        return 1;
    }
    // The largest image, the 32-pixel one, is the master for the SVG.
    const Image& master = *std::max_element(
        images->begin(), images->end(), [](const Image& a, const Image& b) { return a.width < b.width; });
    const std::filesystem::path out(argv[2]);
    std::error_code error;
    std::filesystem::create_directories(out, error);
    const std::string name(argv[3]);
    if (error || !write(out / (name + ".svg"), svg(master)) || !write(out / (name + ".ico"), ico(*images))) {
        std::fprintf(stderr, "pixelicons: cannot write the icons into %s\n", argv[2]);
        return 1;
    }
    return 0;
}
