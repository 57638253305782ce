// The widget tests run inside a QApplication with the program's font substitutes. Listing
// the tests needs no application, so test discovery works without a screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "JapaneseUi.h"
#include "MessageBox.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    turfpad::InstallFontSubstitutes();
    turfpad::TMsgDlg::SetRecording(true);
    return RUN_ALL_TESTS();
}
