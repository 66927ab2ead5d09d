#pragma once

// Dots per inch. Every window is laid out at its own monitor's density (per-monitor awareness,
// version 2), from the twips of its layout record. The functions that make this possible came with
// Windows 10; they are looked up at run time, so that the program still starts on Windows 7 and 8,
// where every window simply uses the system's density.

#include "shell/layout.h"

#include <windows.h>

namespace win32backend {

inline constexpr UINT ReferenceDpi = USER_DEFAULT_SCREEN_DPI; // 96

// Asks for per-monitor awareness (version 2) where the manifest has not already done so, or at
// least for the system's density where per-monitor awareness is unknown.
void becomeDpiAware();

UINT systemDpi();
UINT windowDpi(HWND window);
int systemMetric(int index, UINT dpi);

// The window rectangle around a client rectangle, for a frame of these styles at this density.
RECT frameAround(RECT client, DWORD style, DWORD exStyle, UINT dpi);

// The client area that a layout puts on the screen at this density, for a window of these styles.
RECT layoutClient(const shell::FormLayout& layout, DWORD style, DWORD exStyle, UINT dpi);

// The whole window around that client area, its frame drawn at frameDpi.
RECT layoutWindow(const shell::FormLayout& layout, DWORD style, DWORD exStyle, UINT layoutDpi, UINT frameDpi);

// Where a window's frame goes when the density changes from one to the other under it, given the
// rectangle that Windows suggests (WM_DPICHANGED).
POINT placeAfterDensityChange(HWND window, const shell::FormLayout& layout, DWORD style, DWORD exStyle,
    UINT oldDpi, UINT newDpi, const RECT& suggested);

inline int scaled(int twips, UINT dpi)
{
    return shell::pixelsAt(twips, int(dpi));
}

// The one font of every control: the desktop's message font (the font of its own dialogs and
// message boxes) at this density, no taller than the layouts leave room for at that density.
LOGFONTW controlFont(UINT dpi);

// Sets a window timer that Windows must not coalesce with others, where Windows allows asking.
UINT_PTR setPreciseTimer(HWND window, UINT_PTR id, UINT milliseconds);

}
