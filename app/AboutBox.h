// The about box, and the hand-over to programs outside: the maker's web page in the user's
// browser, and the manual (Turfpad.pdf beside the program, or in share/turfpad when installed)
// in the PDF viewer.
#pragma once

#include <QDialog>
#include <QString>
#include <filesystem>
#include <functional>

#include "Version.h"

class QLabel;
class QPushButton;

namespace turfpad {

class TLabel3Dj;

inline constexpr const char* kMakerWebPage = "https://turfpad.example.jp/";
inline constexpr const char* kManualName = "Turfpad.pdf";

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* Image1;
    TLabel3Dj* VersionLabel;
    QPushButton* HomePageButton;  // "作者のホームページ"
    QPushButton* OKButton;
    // Where the data folder and the settings file are, shown only when they are in the
    // user's own folders rather than beside the program; null otherwise.
    QLabel* PlacesLabel = nullptr;

    // What the home page button calls; replaced by tests.
    std::function<bool(const QString&)> openWebPage;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void HomePageButtonClick();
};

// Opens a web address in the user's browser; true when a program could be started for it.
// Windows: the shell, then the handler of ".htm" files from the registry; elsewhere the
// desktop's URL opener.
bool OpenWebPage(const QString& address, int showCommand = 1);

// The command line that opens `address` with the ".htm" handler's command: the handler's
// placeholder for the file ("%1" in double quotes, else %1) is removed together with the
// character in front of it, then a blank and the address are appended.
std::string HtmHandlerCommandLine(std::string command, const std::string& address);

// Opens the manual beside the program (or in the installed layout's share/turfpad); when it
// is missing, beeps and says so, and when no
// viewer could be started for it, says so and where the file is. `open` starts the viewer and
// tells whether it did (replaced by tests).
void OpenManual(QWidget* owner, const std::filesystem::path& programFolder,
                const std::function<bool(const QString&)>& open = {});

// The picture of the about box, 300 x 200.
QPixmap AboutPicture();

}  // namespace turfpad
