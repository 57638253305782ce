// turfpad-cli pdf in a build without Qt: PDF output draws with Qt's printing, which this build
// does not have.
#include <iostream>

#include "Commands.h"
#include "text/Cp932.h"

namespace turfpad::cli {

int Pdf(const Options&) {
    const std::string message = "このturfpad-cliはPDF出力なしで作られています（Qtなしのビルド）。";
    std::cerr << message << '\n';
    return kUsage;
}

}  // namespace turfpad::cli
