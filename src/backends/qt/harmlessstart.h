#pragma once

#include <QApplication>

#include <functional>
#include <memory>

namespace qtbackend {

// Starts the GUI with start(), so that the program is harmless by construction:
//
// - Before Qt starts, the environment is set so that Qt leaves nothing on the system and starts
//   no other program: no runtime folder of its own when XDG_RUNTIME_DIR is not set, and no
//   session bus launched when there is none (accessibility then stays off; with the desktop's
//   bus it works as usual).
// - Once QApplication exists, with the display open and the libraries loaded, the program
//   confines itself (confinement.h) and says how, once, through the logging category
//   "scherzetto.confinement", which is silent unless QT_LOGGING_RULES asks for it.
std::unique_ptr<QApplication> startHarmless(const std::function<std::unique_ptr<QApplication>()>& start);

}
