// The program's first window, "Nome", written by hand in plain Qt: the yardstick against which
// scripts/benchmark measures how long the program takes to show it, ready for typing.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);

    // The same frame, place, size and font as the program's window: a fixed window whose client
    // area is at (260, 50), 312 by 131 pixels, in the desktop's family at 8 points.
    QWidget window;
    window.setWindowFlags(
        Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    window.setWindowTitle(QStringLiteral("Nome"));
    window.setGeometry(260, 50, 312, 131);
    window.setFixedSize(312, 131);
    QFont font = window.font();
    font.setPointSize(8);
    window.setFont(font);

    auto* firstName = new QLineEdit(&window);
    firstName->setGeometry(88, 16, 193, 19);
    auto* surname = new QLineEdit(&window);
    surname->setGeometry(88, 48, 193, 19);
    auto* nameLabel = new QLabel(QStringLiteral("Nome:"), &window);
    nameLabel->setGeometry(24, 16, 41, 17);
    auto* surnameLabel = new QLabel(QStringLiteral("Cognome:"), &window);
    surnameLabel->setGeometry(24, 48, 57, 17);
    auto* next = new QPushButton(QStringLiteral("Successivo"), &window);
    next->setGeometry(96, 88, 113, 25);

    // Shown and activated as the program shows its windows, so that it takes the keyboard also
    // where no window manager hands it over.
    firstName->setFocus();
    window.show();
    window.activateWindow();
    return app.exec();
}
