// The yardstick for the program's start-up: a Qt Widgets window of the main window's first
// size and nothing in it.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(630, 450);
    window.show();
    return QApplication::exec();
}
