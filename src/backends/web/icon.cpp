#include "backend.h"

#include "shell/pixelart.h"

#include <emscripten.h>

#include <algorithm>
#include <string>

namespace webbackend {

namespace {

    EM_JS(void, setPageFavicon, (const char* svg), {
        const link = document.querySelector('link[rel=icon]');
        link.href = 'data:image/svg+xml,' + encodeURIComponent(UTF8ToString(svg));
    });

    const char* const svgStart = "<svg xmlns='http://www.w3.org/2000/svg' width='32' height='32' viewBox='0 0 32 32'>";

}

// The largest image of the pixel art becomes the page's icon, one square per black pixel, as the
// desktops show it in the task bar.
void setPageIcon(std::string_view art)
{
    const std::vector<shell::PixelImage> images = shell::pixelArtImages(art);
    if (images.empty())
        return;
    const shell::PixelImage& image = *std::max_element(images.begin(), images.end(),
        [](const auto& a, const auto& b) { return a.width * a.height < b.width * b.height; });
    std::string path;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (image.isOpaque(x, y))
                path += 'M' + std::to_string(x) + ' ' + std::to_string(y) + "h1v1h-1z";
        }
    }
    setPageFavicon(("<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 " + std::to_string(image.width) + ' '
        + std::to_string(image.height) + "' shape-rendering='crispEdges'><path d='" + path + "'/></svg>")
                       .c_str());
}

// The three icons of the message boxes, drawn as the desktops draw theirs: a red disc with a white
// cross, a yellow triangle with an exclamation mark, a blue disc with a white i.
std::string messageIcon(shell::MsgStyle style)
{
    std::string svg = svgStart;
    switch (style) {
    case shell::MsgStyle::Stop:
        svg += "<circle cx='16' cy='16' r='15' fill='#d42020' stroke='#8a0000'/>"
               "<path d='M10 10L22 22M22 10L10 22' stroke='#fff' stroke-width='4' stroke-linecap='round'/>";
        break;
    case shell::MsgStyle::Exclamation:
        svg += "<path d='M16 2L31 29H1Z' fill='#f7d117' stroke='#8a6d00' stroke-linejoin='round'/>"
               "<path d='M16 10V20' stroke='#000' stroke-width='4' stroke-linecap='round'/>"
               "<circle cx='16' cy='25' r='2.2'/>";
        break;
    case shell::MsgStyle::Information:
        svg += "<circle cx='16' cy='16' r='15' fill='#1f5fbf' stroke='#0c3a80'/>"
               "<circle cx='16' cy='9' r='2.5' fill='#fff'/>"
               "<path d='M16 14V25' stroke='#fff' stroke-width='4' stroke-linecap='round'/>";
        break;
    }
    return svg + "</svg>";
}

}
