#include "dpi.h"

#include <cstdlib>

namespace win32backend {

namespace {

    // A function of user32 that older Windows versions lack, or nullptr there.
    template <class Function> Function user32(const char* name)
    {
        static const HMODULE module = GetModuleHandleW(L"user32.dll");
        // Through the one function type that converts to every other without a warning.
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    }

    struct NewerFunctions
    {
        decltype(&SetProcessDpiAwarenessContext) setProcessDpiAwarenessContext
            = user32<decltype(&SetProcessDpiAwarenessContext)>("SetProcessDpiAwarenessContext");
        decltype(&GetDpiForWindow) getDpiForWindow = user32<decltype(&GetDpiForWindow)>("GetDpiForWindow");
        decltype(&GetDpiForSystem) getDpiForSystem = user32<decltype(&GetDpiForSystem)>("GetDpiForSystem");
        decltype(&GetSystemMetricsForDpi) getSystemMetricsForDpi
            = user32<decltype(&GetSystemMetricsForDpi)>("GetSystemMetricsForDpi");
        decltype(&AdjustWindowRectExForDpi) adjustWindowRectExForDpi
            = user32<decltype(&AdjustWindowRectExForDpi)>("AdjustWindowRectExForDpi");
        decltype(&SystemParametersInfoForDpi) systemParametersInfoForDpi
            = user32<decltype(&SystemParametersInfoForDpi)>("SystemParametersInfoForDpi");
        decltype(&SetCoalescableTimer) setCoalescableTimer
            = user32<decltype(&SetCoalescableTimer)>("SetCoalescableTimer");
    };

    const NewerFunctions& newer()
    {
        static const NewerFunctions functions;
        return functions;
    }

    // The layouts' rectangles were measured for the narrow 8-point MS Sans Serif of old. The
    // desktop's message font at its own size is wider: 8-point Tahoma (Windows 7, Wine) overflows
    // the labels "Nome e cognome:", "Data di nascita:", "Selezionare il sesso" and "Selezionare gli
    // interessi" and the progress window's percentage by 1 to 6 pixels, and 9-point Segoe UI
    // (Windows 10 and 11) is wider still. So every control gets the message font's face at 10
    // pixels for 96 dots per inch (7.5 points), where every caption fits: one size for all
    // controls, never one per control. At other densities that height grows with the density,
    // rounded to the nearest pixel, but for the densities below.
    constexpr int captionFontHeight = 10;

    struct FontStep
    {
        UINT dpi;
        int height;
    };

    // Densities where the height scaled from 10 pixels leaves a caption no room. At 120 dpi
    // (125 %) it is 12.5 pixels, rounded up to 13: the font grows by 30 % where the labels grow
    // by 25 %, and in 13-pixel Tahoma "Nome e cognome:" is 114 pixels wide in a label of 111,
    // "Selezionare il sesso" 123 in one of 121. At 12 pixels every caption fits, the tightest
    // with 6 pixels to spare. At 168 dpi (175 %) the half pixel rounded up costs nothing: there
    // the tightest caption keeps 8 pixels.
    constexpr FontStep fontSteps[] = { { 120, 12 } };

    int captionHeight(UINT dpi)
    {
        for (const FontStep& step : fontSteps) {
            if (step.dpi == dpi)
                return step.height;
        }
        return MulDiv(captionFontHeight, int(dpi), int(ReferenceDpi));
    }

}

void becomeDpiAware()
{
    // The manifest normally asks for this already; then the call fails harmlessly.
    if (newer().setProcessDpiAwarenessContext) {
        if (newer().setProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)
            || GetLastError() == ERROR_ACCESS_DENIED)
            return;
    }
    SetProcessDPIAware();
}

UINT systemDpi()
{
    if (newer().getDpiForSystem)
        return newer().getDpiForSystem();
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : ReferenceDpi;
}

UINT windowDpi(HWND window)
{
    if (newer().getDpiForWindow) {
        if (const UINT dpi = newer().getDpiForWindow(window))
            return dpi;
    }
    return systemDpi();
}

int systemMetric(int index, UINT dpi)
{
    if (newer().getSystemMetricsForDpi)
        return newer().getSystemMetricsForDpi(index, dpi);
    return MulDiv(GetSystemMetrics(index), int(dpi), int(systemDpi()));
}

RECT frameAround(RECT client, DWORD style, DWORD exStyle, UINT dpi)
{
    if (newer().adjustWindowRectExForDpi)
        newer().adjustWindowRectExForDpi(&client, style, FALSE, exStyle, dpi);
    else
        AdjustWindowRectEx(&client, style, FALSE, exStyle);
    return client;
}

// A window without a title bar has a border alone, which the layout counts as one pixel at
// 96 dpi, and which stays one pixel at every density. The layout puts the farewell window's client
// area 15 twips (that pixel) from the screen's corner, 11970 by 8970 twips, so that the border
// makes the whole window 800 by 600 pixels at the corner. At 144 dpi those twips make 1.5 pixels
// from the corner and 1197 by 897 pixels: rounding the client area's edges to the nearest pixel
// and adding the border would put the window at 1, 1, 1199 by 899 pixels, a pixel inside the
// corner that 1200 by 900 pixels cover. So what scales is the whole window's rectangle, the border
// included, whose edges fall on whole pixels wherever the window's do at 96 dpi; the border takes
// its pixel inside it, and the client area is the scaled one with its edges rounded outwards, by
// half a pixel at most (1, 1, 1198 by 898 at 144 dpi).
RECT layoutClient(const shell::FormLayout& layout, DWORD style, DWORD exStyle, UINT dpi)
{
    RECT client { scaled(layout.left, dpi), scaled(layout.top, dpi), 0, 0 };
    client.right = client.left + scaled(layout.width, dpi);
    client.bottom = client.top + scaled(layout.height, dpi);
    if ((style & WS_CAPTION) == WS_CAPTION)
        return client;
    const RECT border = frameAround({}, style, exStyle, ReferenceDpi);
    constexpr int twipsPerPixel = shell::TwipsPerInch / int(ReferenceDpi);
    const int left = scaled(layout.left + border.left * twipsPerPixel, dpi);
    const int top = scaled(layout.top + border.top * twipsPerPixel, dpi);
    return { left - border.left, top - border.top,
        left + scaled(layout.width + (border.right - border.left) * twipsPerPixel, dpi) - border.right,
        top + scaled(layout.height + (border.bottom - border.top) * twipsPerPixel, dpi) - border.bottom };
}

RECT layoutWindow(const shell::FormLayout& layout, DWORD style, DWORD exStyle, UINT layoutDpi, UINT frameDpi)
{
    return frameAround(layoutClient(layout, style, exStyle, layoutDpi), style, exStyle, frameDpi);
}

// A window that moves to a monitor of another density goes where Windows suggests. A window whose
// monitor changes its scale stays where its layout puts it at the new density, moved from there as
// far as the user had moved it, scaled: the program's windows open at their layout's places, and
// a change of scale leaves them there.
POINT placeAfterDensityChange(HWND window, const shell::FormLayout& layout, DWORD style, DWORD exStyle,
    UINT oldDpi, UINT newDpi, const RECT& suggested)
{
    if (MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST)
        != MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST))
        return { suggested.left, suggested.top };
    POINT client {};
    ClientToScreen(window, &client);
    const RECT before = layoutClient(layout, style, exStyle, oldDpi);
    RECT after = layoutClient(layout, style, exStyle, newDpi);
    OffsetRect(&after, MulDiv(client.x - before.left, int(newDpi), int(oldDpi)),
        MulDiv(client.y - before.top, int(newDpi), int(oldDpi)));
    const RECT frame = frameAround(after, style, exStyle, windowDpi(window));
    return { frame.left, frame.top };
}

LOGFONTW controlFont(UINT dpi)
{
    NONCLIENTMETRICSW metrics {};
    metrics.cbSize = sizeof metrics;
    LOGFONTW font {};
    if (newer().systemParametersInfoForDpi
        && newer().systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        font = metrics.lfMessageFont;
    } else if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        // Before Windows 10 the metrics come at the system's density.
        font = metrics.lfMessageFont;
        font.lfHeight = MulDiv(font.lfHeight, int(dpi), int(systemDpi()));
    } else {
        font.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(font.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
    }
    const int cap = captionHeight(dpi);
    if (font.lfHeight == 0 || std::abs(font.lfHeight) > cap)
        font.lfHeight = -cap;
    font.lfWidth = 0;
    return font;
}

UINT_PTR setPreciseTimer(HWND window, UINT_PTR id, UINT milliseconds)
{
    if (newer().setCoalescableTimer)
        return newer().setCoalescableTimer(window, id, milliseconds, nullptr, TIMERV_NO_COALESCING);
    return SetTimer(window, id, milliseconds, nullptr);
}

}
