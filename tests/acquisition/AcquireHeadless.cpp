// A whole acquisition without a window, for tests that start the program and kill it:
//   acquire_headless <stand-in settings> <stand-in cache> <settings file> <data folder>
// The local JV-Link stand-in serves the source folder its settings name; the from-date comes
// from "LastTime" in the settings file, as when the window opens. Every box is printed and
// answered at once. Exit status 0 when the acquisition ended with "データ作成が完了しました。",
// 1 when it ended otherwise, 2 on wrong arguments.
#include <QCoreApplication>
#include <filesystem>
#include <iostream>

#include "HeadlessView.h"
#include "jvlink/Acquisition.h"
#include "jvlink/LocalJVLink.h"
#include "settings/SettingsFile.h"
#include "text/PathText.h"

namespace fs = std::filesystem;
using namespace turfpad;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::cerr << "usage: acquire_headless <stand-in settings> <stand-in cache> <settings file> <data folder>\n";
        return 2;
    }
    LocalJVLink::Config config;
    config.settingsFile = PathFromText(argv[1]);
    config.cacheDir = PathFromText(argv[2]);
    config.dialog = [](LocalJVLinkSettings&) { return false; };
    LocalJVLink jvlink(config);
    if (int rc = jvlink.JVInit("TURFPAD-ACQUIRE"); rc != 0) {
        std::cerr << "JVInit " << rc << "\n";
        return 1;
    }
    TIniGT settings;
    settings.SetDefaultDir(TIniGTDefaultDir::ddNone);
    settings.SetFileName(argv[3]);
    fs::path data = PathFromText(argv[4]);
    fs::create_directories(data);

    testing::HeadlessView view;
    view.keepList = false;
    view.onInform = [](const std::string& text) { std::cout << "box: " << text << std::endl; };
    GetDataLogic logic(jvlink, data, settings, view);
    view.Attach(logic);
    logic.Open();
    logic.Start();
    view.RunUntilIdle();
    for (const std::string& s : view.statuses)
        if (s.starts_with("ReadCount:")) std::cout << s << "\n";
    std::cout << "listed " << view.listed << std::endl;
    return view.Completed() ? 0 : 1;
}
