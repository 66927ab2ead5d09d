#include "frame.h"
#include "titlebar.h"

#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace qtbackend::frame {

xcb_connection_t* connection()
{
    const auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

namespace {

    // The window managers measured to keep a button or the window menu in the title bar whatever
    // a program asks for, by the names they give themselves on their EWMH check window: KWin with
    // Breeze shows the window's icon as the menu button, and a minimise button; xfwm4 always has
    // its shade button; openbox keeps its buttons by design.
    constexpr std::array<std::string_view, 3> keepingButtons = { "KWin", "Xfwm4", "Openbox" };

    // GNOME's window manager, standalone or in GNOME Shell. From mutter 44 on, a client of its own,
    // mutter-x11-frames, draws the frames of X11 windows with GTK's title bar, which shows a
    // minimise button that a program cannot take away where the desktop's button layout has one
    // (GTK's own default does); earlier releases drew the frames themselves, caption alone.
    constexpr std::array<std::string_view, 2> gnome = { "Mutter", "GNOME Shell" };
    // The atom that marks a window for mutter-x11-frames, which mutter names on the X server as
    // it starts; its absence tells an earlier mutter.
    constexpr std::string_view framesClientAtom = "_MUTTER_NEEDS_FRAME";

    // The Motif hints, as window managers read them.
    constexpr std::uint32_t motifFunctions = 1U << 0;
    constexpr std::uint32_t motifDecorations = 1U << 1;
    constexpr std::uint32_t motifMove = 1U << 2;
    constexpr std::uint32_t motifClose = 1U << 5;
    constexpr std::uint32_t motifBorder = 1U << 1;
    constexpr std::uint32_t motifTitle = 1U << 3;

    // The atoms that the frame uses. Each intern is a round trip to the X server, which the first
    // window waits for before it can open, so they are all asked for at once, the first time any
    // is needed; the program has one connection for its whole run.
    struct Atoms
    {
        xcb_atom_t wmCheck;
        xcb_atom_t wmName;
        xcb_atom_t utf8String;
        xcb_atom_t motifHints;
        xcb_atom_t windowType;
        xcb_atom_t windowTypeNormal;
    };

    const Atoms& atoms(xcb_connection_t* connection)
    {
        static const Atoms interned = [connection] {
            constexpr std::array<std::string_view, 6> names = { "_NET_SUPPORTING_WM_CHECK", "_NET_WM_NAME",
                "UTF8_STRING", "_MOTIF_WM_HINTS", "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL" };
            std::array<xcb_intern_atom_cookie_t, names.size()> cookies {};
            for (std::size_t i = 0; i < names.size(); ++i)
                cookies[i] = xcb_intern_atom(connection, 0, std::uint16_t(names[i].size()), names[i].data());
            std::array<xcb_atom_t, names.size()> values {};
            for (std::size_t i = 0; i < names.size(); ++i) {
                xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
                values[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
                std::free(reply);
            }
            return Atoms { values[0], values[1], values[2], values[3], values[4], values[5] };
        }();
        return interned;
    }

    xcb_get_property_cookie_t askProperty(
        xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
    {
        return xcb_get_property(connection, 0, window, name, type, 0, 1024);
    }

    // A property asked for with askProperty, as bytes; empty if the window or the property is
    // missing.
    std::string property(xcb_connection_t* connection, xcb_get_property_cookie_t question)
    {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, question, nullptr);
        std::string value;
        if (reply) {
            const auto* data = static_cast<const char*>(xcb_get_property_value(reply));
            value.assign(data, std::size_t(xcb_get_property_value_length(reply)));
        }
        std::free(reply);
        return value;
    }

    xcb_window_t windowIn(const std::string& value)
    {
        xcb_window_t window = XCB_WINDOW_NONE;
        if (value.size() >= sizeof window)
            std::copy_n(value.data(), sizeof window, reinterpret_cast<char*>(&window));
        return window;
    }

    // The name of the window manager that manages the screen, as it gives it on its EWMH check
    // window; empty when there is none.
    std::string windowManager(xcb_connection_t* connection)
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        if (!screen)
            return {};
        const Atoms& names = atoms(connection);
        const xcb_window_t check = windowIn(
            property(connection, askProperty(connection, screen->root, names.wmCheck, XCB_ATOM_WINDOW)));
        if (check == XCB_WINDOW_NONE)
            return {};
        // Both questions to the check window go out before either answer is awaited.
        const xcb_get_property_cookie_t self = askProperty(connection, check, names.wmCheck, XCB_ATOM_WINDOW);
        const xcb_get_property_cookie_t name = askProperty(connection, check, names.wmName, names.utf8String);
        // A check window left behind by a window manager that has gone no longer names itself.
        const bool current = windowIn(property(connection, self)) == check;
        std::string value = property(connection, name);
        return current ? value : std::string();
    }

    // Whether some client has named the atom on the X server; the question names none.
    bool atomExists(xcb_connection_t* connection, std::string_view name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, std::uint16_t(name.size()), name.data()), nullptr);
        const bool exists = reply && reply->atom != XCB_ATOM_NONE;
        std::free(reply);
        return exists;
    }

    void setMotifHints(
        xcb_connection_t* connection, xcb_window_t window, std::uint32_t functions, std::uint32_t decorations)
    {
        const xcb_atom_t hints = atoms(connection).motifHints;
        const std::array<std::uint32_t, 5> value
            = { motifFunctions | motifDecorations, functions, decorations, 0, 0 };
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, hints, hints, 32,
            std::uint32_t(value.size()), value.data());
    }

    // The windows shown, latest last; the latest still on the screen is the one that a new
    // modal window or message box opens above.
    std::vector<QPointer<QWidget>>& shownWindows()
    {
        static std::vector<QPointer<QWidget>> windows;
        return windows;
    }

    QWidget* topWindowBesides(const QWidget* window)
    {
        std::vector<QPointer<QWidget>>& windows = shownWindows();
        std::erase_if(windows, [](const QPointer<QWidget>& shown) { return !shown || !shown->isVisible(); });
        for (auto shown = windows.rbegin(); shown != windows.rend(); ++shown) {
            if (*shown != window)
                return *shown;
        }
        return nullptr;
    }

    // Qt tells the desktop that a dialog belongs to the application, and that a window that is
    // no dialog belongs to none, as it shows them; so the owner is told once the window is shown.
    void ownOnceShown(QWidget& window, QWidget& owner)
    {
        xcb_connection_t* x11 = connection();
        if (!x11)
            return;
        QMetaObject::invokeMethod(
            &window,
            [x11, &window, owner = QPointer<QWidget>(&owner)] {
                if (!owner || !window.isVisible())
                    return;
                const auto ownerId = xcb_window_t(owner->winId());
                xcb_change_property(x11, XCB_PROP_MODE_REPLACE, xcb_window_t(window.winId()),
                    XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, 1, &ownerId);
                xcb_flush(x11);
            },
            Qt::QueuedConnection);
    }

}

QMargins decorate(QWidget& window, const QString& caption)
{
    const Qt::WindowFlags fixed = Qt::Window | Qt::MSWindowsFixedSizeDialogHint;
    if (caption.isEmpty()) {
        window.setWindowFlags(fixed | Qt::FramelessWindowHint);
        return { 1, 1, 1, 1 };
    }
    // The window manager is asked once; it is the same for every window of the run. The hints
    // are set as the window is shown (prepareShow): a window created here already, before its
    // place is set, would open where Qt does not know it is.
    static const bool drawsOwnTitleBar = [] {
        xcb_connection_t* x11 = connection();
        const std::string name = x11 ? windowManager(x11) : std::string();
        if (std::find(gnome.begin(), gnome.end(), name) != gnome.end())
            return atomExists(x11, framesClientAtom);
        return std::find(keepingButtons.begin(), keepingButtons.end(), name) != keepingButtons.end();
    }();
    if (!drawsOwnTitleBar) {
        window.setWindowFlags(fixed | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        return {};
    }
    window.setWindowFlags(fixed | Qt::FramelessWindowHint);
    return { 1, 1 + addTitleBar(window, caption), 1, 1 };
}

void paintBorder(QWidget& window, const QMargins& margins)
{
    if (margins.isNull())
        return;
    QPainter painter(&window);
    painter.setPen(window.palette().color(QPalette::WindowText));
    painter.drawRect(window.rect().adjusted(0, 0, -1, -1));
}

void prepareShow(QWidget& window, bool modal)
{
    QWidget* owner = modal ? topWindowBesides(&window) : nullptr;
    shownWindows().emplace_back(&window);
    xcb_connection_t* x11 = connection();
    if (!x11)
        return;
    const auto id = xcb_window_t(window.winId());
    if (hasOwnTitleBar(window)) {
        // No frame from the desktop, which still moves the window and closes it on Alt+F4. Qt
        // gives a window without a frame KDE's override type before the normal one, which
        // openbox takes for a window that cannot be moved: it is a normal window only.
        setMotifHints(x11, id, motifMove | motifClose, 0);
        xcb_change_property(x11, XCB_PROP_MODE_REPLACE, id, atoms(x11).windowType, XCB_ATOM_ATOM, 32, 1,
            &atoms(x11).windowTypeNormal);
    } else if (!window.windowTitle().isEmpty()) {
        // A border and a title, no window menu; the window can be moved, but neither resized,
        // minimised, maximised nor closed from its frame.
        setMotifHints(x11, id, motifMove, motifBorder | motifTitle);
    }
    // Like a dialog, a modal window belongs to the window it opens above, which the desktop
    // then keeps beneath it: mutter would otherwise raise a window beneath on a click, which
    // the program ignores. Its type stays that of a normal window, for GNOME would attach a
    // modal dialog to its owner's title bar and centre it there.
    if (owner)
        ownOnceShown(window, *owner);
}

void prepareMessageBox(QMessageBox& box)
{
    if (QWidget* owner = topWindowBesides(&box))
        ownOnceShown(box, *owner);
}

bool isViewable(const QWidget& window)
{
    xcb_connection_t* x11 = connection();
    if (!x11 || !window.windowHandle())
        return true;
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        x11, xcb_get_window_attributes(x11, xcb_window_t(window.winId())), nullptr);
    const bool viewable = !attributes || attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    return viewable;
}

void waitForDisplay()
{
    if (xcb_connection_t* x11 = connection())
        std::free(xcb_get_input_focus_reply(x11, xcb_get_input_focus(x11), nullptr));
}

}
