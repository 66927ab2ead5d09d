#include "titlebar.h"

#include "frame.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QWindow>

#include <xcb/xcb.h>

#include <array>
#include <cstdint>

namespace qtbackend::frame {

namespace {

    const QString titleBarName = QStringLiteral("frame title bar");

    // The title bar that a window draws itself: its caption alone, drawn as the application's
    // style draws the title bars of its own subwindows, in the desktop's title font. Dragging it
    // moves the window as the window manager moves any window.
    //
    // On the X server it is marked by a window of its own, like the title bar of a window
    // manager's frame, so that whoever looks at the windows finds the client area beneath it.
    // That marker is an input-only window that selects no events: it draws nothing, so the
    // window's own picture shows through it, and the X server passes the clicks on it to the
    // window, where Qt hands them to the title bar. A native child widget would be such a
    // window too, but one that Qt gives a surface of its own and flushes apart from the rest of
    // the window, which keeps the first window from the screen for a few milliseconds longer.
    class TitleBar final : public QWidget
    {
    public:
        TitleBar(QWidget& window, const QString& caption)
            : QWidget(&window)
            , m_caption(caption)
        {
            setObjectName(titleBarName);
            setFont(QFontDatabase::systemFont(QFontDatabase::TitleFont));
            window.installEventFilter(this);
        }

        int preferredHeight() const
        {
            const QStyleOptionTitleBar option = styleOption();
            return style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, this);
        }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            // The title bar spans the window inside its border, whatever the window's width, and
            // is drawn in the active colours while its window is the active one.
            if (watched == parent() && event->type() == QEvent::Resize)
                setGeometry(1, 1, parentWidget()->width() - 2, preferredHeight());
            else if (watched == parent() && event->type() == QEvent::ActivationChange)
                update();
            return false;
        }

        // The window's own X window exists once its title bar is shown: Qt creates a window's
        // native window before it shows the window's children.
        void showEvent(QShowEvent* event) override
        {
            placeMarker();
            QWidget::showEvent(event);
        }

        void resizeEvent(QResizeEvent* event) override
        {
            placeMarker();
            QWidget::resizeEvent(event);
        }

        void mousePressEvent(QMouseEvent* event) override
        {
            if (event->button() == Qt::LeftButton && window()->windowHandle())
                window()->windowHandle()->startSystemMove();
        }

        void paintEvent(QPaintEvent*) override
        {
            QPainter painter(this);
            const QStyleOptionTitleBar option = styleOption();
            style()->drawComplexControl(QStyle::CC_TitleBar, &option, &painter, this);
        }

    private:
        // Creates the marker in the window's current X window, or moves it there. The marker
        // lives and dies with that X window, which destroys its children with it.
        void placeMarker()
        {
            xcb_connection_t* x11 = connection();
            const auto parent = xcb_window_t(window()->internalWinId());
            // The X server counts in device pixels, which Qt's own scaling makes larger.
            const qreal ratio = devicePixelRatio();
            const QRect place(geometry().topLeft() * ratio, geometry().size() * ratio);
            if (!x11 || parent == XCB_WINDOW_NONE || place.isEmpty())
                return;
            if (parent != m_markerParent) {
                m_marker = xcb_generate_id(x11);
                m_markerParent = parent;
                xcb_create_window(x11, 0, m_marker, parent, std::int16_t(place.x()), std::int16_t(place.y()),
                    std::uint16_t(place.width()), std::uint16_t(place.height()), 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
                xcb_map_window(x11, m_marker);
            } else {
                const std::array<std::uint32_t, 4> values = { std::uint32_t(place.x()),
                    std::uint32_t(place.y()), std::uint32_t(place.width()), std::uint32_t(place.height()) };
                xcb_configure_window(x11, m_marker,
                    XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH
                        | XCB_CONFIG_WINDOW_HEIGHT,
                    values.data());
            }
        }

        QStyleOptionTitleBar styleOption() const
        {
            QStyleOptionTitleBar option;
            option.initFrom(this);
            option.text = m_caption;
            // The caption only: no window menu, no buttons.
            option.titleBarFlags = Qt::Window | Qt::WindowTitleHint;
            option.subControls = QStyle::SC_TitleBarLabel;
            option.activeSubControls = QStyle::SC_None;
            if (window()->isActiveWindow()) {
                option.state |= QStyle::State_Active;
                option.titleBarState = int(QStyle::State_Active);
            }
            return option;
        }

        QString m_caption;
        xcb_window_t m_marker = XCB_WINDOW_NONE;
        xcb_window_t m_markerParent = XCB_WINDOW_NONE;
    };

}

int addTitleBar(QWidget& window, const QString& caption)
{
    return (new TitleBar(window, caption))->preferredHeight();
}

bool hasOwnTitleBar(const QWidget& window)
{
    return window.findChild<QWidget*>(titleBarName, Qt::FindDirectChildrenOnly) != nullptr;
}

}
