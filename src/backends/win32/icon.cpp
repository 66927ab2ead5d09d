#include "backend.h"
#include "dpi.h"
#include "shell/pixelart.h"

#include <cstdint>

namespace win32backend {

namespace {

    HICON iconFromArt(const shell::PixelImage& image, int size)
    {
        BITMAPINFO info {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size;
        info.bmiHeader.biHeight = -size; // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        const HBITMAP colour = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!colour)
            return nullptr;
        // The AND mask: one bit a pixel, set where the icon is transparent, rows of whole words.
        const int maskStride = (size + 15) / 16 * 2;
        std::vector<BYTE> mask(std::size_t(maskStride * size), 0xFF);
        auto* pixels = static_cast<std::uint32_t*>(bits);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                // Pixel art grows by repeating pixels, never by blurring them.
                const bool opaque = image.isOpaque(x * image.width / size, y * image.height / size);
                pixels[y * size + x] = opaque ? 0xFF000000u : 0u;
                if (opaque)
                    mask[std::size_t(y * maskStride + x / 8)] &= BYTE(~(0x80 >> (x % 8)));
            }
        }
        const HBITMAP maskBitmap = CreateBitmap(size, size, 1, 1, mask.data());
        ICONINFO icon { TRUE, 0, 0, maskBitmap, colour };
        const HICON handle = maskBitmap ? CreateIconIndirect(&icon) : nullptr;
        DeleteObject(colour);
        if (maskBitmap)
            DeleteObject(maskBitmap);
        return handle;
    }

}

HICON Win32Backend::icon(const std::string_view& art, UINT dpi, bool big)
{
    const int size = systemMetric(big ? SM_CXICON : SM_CXSMICON, dpi);
    HICON& icon = m_icons[{ &art, size }];
    if (!icon) {
        // The image drawn for the size, or else the next larger one, or else the largest.
        const std::vector<shell::PixelImage> images = shell::pixelArtImages(art);
        const shell::PixelImage* best = nullptr;
        for (const shell::PixelImage& image : images) {
            const bool better = !best
                || (image.width >= size ? best->width < size || image.width < best->width
                                        : best->width < image.width);
            if (better)
                best = &image;
        }
        if (best)
            icon = iconFromArt(*best, size);
    }
    return icon;
}

}
