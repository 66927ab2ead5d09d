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
    // controls, never one per control.
    constexpr int captionFontHeight = 10;

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
    const int cap = MulDiv(captionFontHeight, int(dpi), int(ReferenceDpi));
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
