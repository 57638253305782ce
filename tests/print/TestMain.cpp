// The print tests run in a widget application on the offscreen platform, with the Japanese
// font substitutes installed and message boxes recorded instead of shown.
#include <gtest/gtest.h>

#include <QApplication>

#include "JapaneseUi.h"
#include "MessageBox.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests at build time happens without the test's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    turfpad::InstallFontSubstitutes();
    turfpad::TMsgDlg::SetRecording(true);
    return RUN_ALL_TESTS();
}
