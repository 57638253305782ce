// ターフパッド: start-up only.
#include <QApplication>

#include "Startup.h"

int main(int argc, char** argv) {
    turfpad::FontConfigWarmUp fonts;
    turfpad::TurfpadApplication app(argc, argv);
    turfpad::PrepareApplication();
    return turfpad::RunTurfpad();
}
