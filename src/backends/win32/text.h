#pragma once

// The runtime speaks UTF-8, Win32 UTF-16: every text crosses here, in both directions.

#include <windows.h>

#include <string>
#include <string_view>

namespace win32backend {

std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view utf16);

// A window's text: the caption of a window, label or button, the text of a text or combo box.
std::wstring windowText(HWND window);

}
