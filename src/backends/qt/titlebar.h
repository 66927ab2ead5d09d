#pragma once

#include <QString>

class QWidget;

// The title bar that a window draws itself where the desktop would show more than its caption
// (frame.cpp decides where).
namespace qtbackend::frame {

// Gives the window its own title bar along its top, inside its one-pixel border, and returns the
// title bar's height.
int addTitleBar(QWidget& window, const QString& caption);

// Whether the window draws its own title bar.
bool hasOwnTitleBar(const QWidget& window);

}
