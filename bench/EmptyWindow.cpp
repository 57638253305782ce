// The yardsticks for the program's start-up: a Qt Widgets window of the main window's first
// size and nothing in it; with --label, the same window holding one line of Japanese text,
// which is what it costs any program to show text at all (the font database is read).
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(630, 450);
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0)
        (new QLabel(QString::fromUtf8("ターフパッド"), &window))->move(10, 10);
    window.show();
    return QApplication::exec();
}
