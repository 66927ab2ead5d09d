#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// A window's layout is plain compile-time data that reads like a table: one row per control. All
// geometry is in twips, 1440 to the inch; each back end turns it into its own units.

enum class ControlKind { Label, TextBox, CommandButton, ComboBox, OptionButton, CheckBox, Timer };

// Colours of the desktop's colour scheme that a layout may name, so that they follow the scheme.
enum class SystemColour { Default, WindowText, ToolTipText };

enum class Pointer { Default, NoDrop };

// Tab index of controls that never take part in the focus order (timers).
inline constexpr int NoTabIndex = -1;

// The items of a row that the table does not give for every control.
struct ControlOptions
{
    bool disabled = false;
    // A locked text or combo box shows its text, but the user cannot change it.
    bool locked = false;
    SystemColour textColour = SystemColour::Default;
    // Produces the list items of a combo box, in order.
    std::vector<std::string> (*items)() = nullptr;
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
    // The window's icon as text pixel art (see pixelart.h), or none.
    const std::string_view* iconArt = nullptr;
    SystemColour background = SystemColour::Default;
    Pointer pointer = Pointer::Default;
};

inline constexpr int TwipsPerInch = 1440;
// At the reference 96 dots per inch.
inline constexpr int TwipsPerPixel = 15;

// Twips to pixels at the reference density, rounded to the nearest pixel.
constexpr int pixels(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

// Twips to device pixels at `dpi` dots per inch, rounded to the nearest pixel.
constexpr int pixelsAt(int twips, int dpi)
{
    return (twips * dpi + TwipsPerInch / 2) / TwipsPerInch;
}

// The index of the named control in the layout, or -1.
int controlIndex(const FormLayout& layout, std::string_view name);

// The order in which a window's controls are created, which toolkits keep as their z-order, focus
// chain and reading order: the tab order, with each label that names a control (its buddy) just
// before that control, where screen readers look for its name. Timers have no control.
std::vector<std::size_t> creationOrder(const FormLayout& layout);

// The controls that take the focus, in the order Tab moves through them: by tab index, lowest
// first; labels and timers never take the focus. Disabled buttons are in the list: whether they
// are skipped is decided when the focus moves, since they may become enabled.
std::vector<std::size_t> tabOrder(const FormLayout& layout);

}
