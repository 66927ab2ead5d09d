#pragma once

#include <QPalette>
#include <QStringList>

#include <span>
#include <string_view>

namespace shell {

// A window's layout is plain compile-time data that reads like a table: one row per control. All
// geometry is in twips, 1440 to the inch; the runtime turns it into Qt logical pixels.

enum class ControlKind { Label, TextBox, CommandButton, ComboBox, OptionButton, CheckBox, Timer };

// Tab index of controls that never take part in the focus order (timers).
inline constexpr int NoTabIndex = -1;

// The items of a row that the table does not give for every control.
struct ControlOptions
{
    bool disabled = false;
    // A locked text or combo box shows its text, but the user cannot change it.
    bool locked = false;
    QPalette::ColorRole textColour = QPalette::NoRole;
    // Produces the list items of a combo box, in order.
    QStringList (*items)() = nullptr;
    // Timer interval in milliseconds.
    int interval = 0;
    // For a label: the control that it names, so that screen readers announce that control by it.
    std::string_view buddy {};
};

struct ControlRecord
{
    std::string_view name;
    ControlKind kind;
    std::string_view caption; // UTF-8; the text of text and combo boxes
    int left;
    int top;
    int width;
    int height;
    int tabIndex;
    ControlOptions options {};
};

struct FormLayout
{
    std::string_view caption; // UTF-8; empty means a window without a title bar
    int left; // client area on the screen
    int top;
    int width;
    int height;
    std::span<const ControlRecord> controls;
    // Qt resource path of the window's icon, drawn as text pixel art.
    std::string_view iconArt {};
    QPalette::ColorRole background = QPalette::NoRole;
    Qt::CursorShape cursor = Qt::ArrowCursor;
};

inline constexpr int TwipsPerPixel = 15;

constexpr int pixels(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

inline QString text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// List items "first" to "last" as decimal numbers, for day and year pickers.
QStringList numberRange(int first, int last);

}
