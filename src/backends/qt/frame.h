#pragma once

#include <QMargins>
#include <QString>
#include <QWidget>

class QMessageBox;
struct xcb_connection_t;

// A window's frame on the desktop: a fixed single-line border and a title bar that shows the
// caption and nothing else, or no title bar at all for a window without a caption.
//
// Window managers are asked for that frame in every way they understand: Motif hints for the
// decorations (border and title, no window menu) and the functions (move only), a normal window
// type, and an owner for each window or message box that opens above another. GNOME's mutter
// then draws the caption alone. KWin with Breeze keeps the window's icon as its menu button,
// xfwm4 its shade button and openbox all its buttons, whatever a program asks: there the window
// has no frame from the desktop and draws its own title bar, with the application's style, in
// the desktop's palette and title font, and lets the window manager move it. The client area
// stays where the window's layout puts it in either case.
namespace qtbackend::frame {

// The program's connection to the X server; null where Qt runs on another platform.
xcb_connection_t* connection();

// Sets the window's flags and hints for its frame, and gives it its own title bar where the
// desktop's would show more than the caption. Returns what the window itself draws around its
// client area: nothing, a one-pixel border, or that border and its title bar.
QMargins decorate(QWidget& window, const QString& caption);

// Paints the border that the window draws itself, if any, around its whole rectangle.
void paintBorder(QWidget& window, const QMargins& margins);

// Called before each showing: a modal window belongs to the window beneath, that the desktop
// keeps it above; a modeless one belongs to none. The latest window shown and still on the
// screen is the one that a message box belongs to.
void prepareShow(QWidget& window, bool modal);

// A message box belongs to the window it opens above, and is framed as the desktop frames its
// dialogs.
void prepareMessageBox(QMessageBox& box);

// Whether what the window paints now reaches the screen: on X11, whether the window is viewable,
// which a window that the program has mapped is not until its window manager has mapped the frame
// around it. Elsewhere always.
bool isViewable(const QWidget& window);

// Returns once the X server has carried out everything the program has sent it, its drawing
// included: what has been painted is then on the screen. Elsewhere it returns at once.
void waitForDisplay();

}
