#include "backend.h"

#include "controls.h"

#include <QApplication>

namespace qtbackend {

QtBackend::QtBackend()
    : m_font(controlFont())
{
    // Message boxes speak in the same font, and the controls' own parts (the text layout of a
    // line edit, for one) start out in it rather than in a second font that is loaded only to be
    // replaced at once.
    QApplication::setFont(m_font);
}

QtBackend::~QtBackend() = default;

}
