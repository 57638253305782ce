#include "AboutBox.h"

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QUrl>

#include "JapaneseUi.h"
#include "MessageBox.h"
#include "RaisedLabel.h"
#include "WindowPlacement.h"
#include "settings/ProgramPlaces.h"
#include "settings/SettingsFile.h"

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs
#endif

namespace turfpad {
namespace fs = std::filesystem;

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle(QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ情報"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(318, 248);
    setFont(PixelFont(QString::fromUtf8(kPGothic), 12));
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    auto* panel = new QFrame(this);
    panel->setObjectName("Panel1");
    panel->setGeometry(11, 8, 295, 199);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    panel->setPalette(white);

    Image1 = new QLabel(panel);
    Image1->setGeometry(1, 1, 293, 197);
    Image1->setPixmap(AboutPicture());
    Image1->setScaledContents(true);

    VersionLabel = new TLabel3Dj(panel);
    VersionLabel->setObjectName("Label3");
    VersionLabel->setFont(PixelFont(QString::fromUtf8(kPGothic), 13, true));
    VersionLabel->setStyle3D(TLabel3Dj::Style::Recessed);
    VersionLabel->setFontColor(Qt::black);
    VersionLabel->setTransparent(true);
    VersionLabel->setCaption("Version");
    VersionLabel->move(196, 170);

    HomePageButton = new QPushButton(QString::fromUtf8("作者のホームページ"), this);
    HomePageButton->setGeometry(11, 214, 130, 26);
    OKButton = new QPushButton("OK", this);
    OKButton->setGeometry(231, 214, 75, 26);
    OKButton->setDefault(true);
    // Return closes the box wherever the focus is; the web page opens only when clicked.
    HomePageButton->setAutoDefault(false);

    // An installed program keeps its data and settings in the user's own folders: say where,
    // on a strip below the buttons.
    const ProgramPlaces& places = Places();
    if (places.perUser) {
        PlacesLabel = new QLabel(this);
        PlacesLabel->setObjectName("PlacesLabel");
        PlacesLabel->setGeometry(11, 246, 296, 34);
        const QFontMetrics fm(PlacesLabel->font());
        auto line = [&](const char* caption, const std::filesystem::path& folder) {
            QString text = QString::fromUtf8(caption) + QString::fromStdU16String(folder.u16string());
            return fm.elidedText(text, Qt::ElideMiddle, PlacesLabel->width());
        };
        TIniGT settings;
        settings.Loaded();
        PlacesLabel->setText(line("データ: ", places.DataFolder()) + "\n" + line("設定: ", settings.Path()));
        PlacesLabel->setToolTip(QString::fromStdU16String(places.DataFolder().u16string()) + "\n" +
                                QString::fromStdU16String(settings.Path().u16string()));
        setFixedSize(318, 286);
    }

    openWebPage = [](const QString& address) { return OpenWebPage(address); };
    connect(HomePageButton, &QPushButton::clicked, this, [this] { HomePageButtonClick(); });
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::showEvent(QShowEvent* e) {
    VersionLabel->setCaption(QString::fromUtf8(kVersionText));
    QDialog::showEvent(e);
    CentreOnScreen(this);
}

void TAboutBox::HomePageButtonClick() {
    if (!openWebPage(QString::fromUtf8(kMakerWebPage)))
        TMsgDlg::Plain(this, QString::fromUtf8("ホームページの表示に失敗しました。"));
}

std::string HtmHandlerCommandLine(std::string command, const std::string& address) {
    std::size_t at = command.find("\"%1\"");
    std::size_t length = 5;
    if (at == std::string::npos) {
        at = command.find("%1");
        length = 3;
    }
    if (at != std::string::npos) {
        // Together with the character in front of it (a blank, normally).
        std::size_t from = at > 0 ? at - 1 : 0;
        command.erase(from, at > 0 ? length : length - 1);
    }
    return command + " " + address;
}

#ifdef _WIN32
namespace {
// The default value of a key under HKEY_CLASSES_ROOT, up to its first zero byte.
bool ClassesRootDefault(const std::string& key, std::string& value) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return false;
    char buf[260] = {};
    DWORD size = sizeof buf - 1;
    RegQueryValueExA(h, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    value = buf;
    return true;
}
}  // namespace

bool OpenWebPage(const QString& address, int showCommand) {
    std::wstring wide = address.toStdWString();
    if (reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, showCommand)) > 32)
        return true;
    std::string type, command;
    if (!ClassesRootDefault(".htm", type)) return false;
    if (!ClassesRootDefault(type + "\\shell\\open\\command", command)) return false;
    std::string line = HtmHandlerCommandLine(command, address.toLocal8Bit().toStdString());
    return WinExec(line.c_str(), static_cast<UINT>(showCommand)) > 31;
}
#else
bool OpenWebPage(const QString& address, int) { return QDesktopServices::openUrl(QUrl(address)); }
#endif

void OpenManual(QWidget* owner, const fs::path& programFolder, const std::function<bool(const QString&)>& open) {
    fs::path manual = ShippedFile(programFolder, kManualName);
    std::error_code ec;
    if (!fs::exists(manual, ec)) {
        TMsgDlg::Information(owner, QString::fromUtf8("使用解説書[Turfpad.pdf]が見つかりません。"));
        return;
    }
    QString path = QString::fromStdU16String(manual.u16string());
    const bool opened = open ? open(path) : QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    if (!opened)
        // Broken at phrases: a box wraps Japanese text wherever the width ends, mid-word too.
        TMsgDlg::Information(owner, QString::fromUtf8("使用解説書を開けませんでした。\n"
                                                      "PDFファイルを表示するソフトをインストールしてから、\n"
                                                      "もう一度お試しください。\n"
                                                      "使用解説書の場所：") +
                                        path);
}

QPixmap AboutPicture() {
    QPixmap pm(300, 200);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 120);
    sky.setColorAt(0, QColor(70, 130, 200));
    sky.setColorAt(1, QColor(200, 225, 245));
    p.fillRect(0, 0, 300, 120, sky);
    QLinearGradient turf(0, 110, 0, 200);
    turf.setColorAt(0, QColor(60, 150, 60));
    turf.setColorAt(1, QColor(20, 90, 30));
    QPainterPath field;
    field.moveTo(0, 120);
    field.cubicTo(100, 100, 200, 105, 300, 115);
    field.lineTo(300, 200);
    field.lineTo(0, 200);
    p.fillPath(field, turf);
    // The white rail running round the course.
    p.setPen(QPen(Qt::white, 3));
    p.drawLine(0, 140, 300, 128);
    for (int x = 10; x < 300; x += 24) p.drawLine(x, 140 - x * 12 / 300, x, 150 - x * 12 / 300);
    // A post-position box row, in the eight colours of the race card.
    const QColor posts[] = {Qt::white, QColor(128, 128, 128), Qt::red,    Qt::blue, Qt::yellow,
                            Qt::green, QColor(255, 128, 0),   Qt::magenta};
    for (int i = 0; i < 8; ++i) {
        p.setPen(Qt::black);
        p.setBrush(posts[i]);
        p.drawRect(20 + i * 18, 20, 16, 16);
    }
    p.setPen(QColor(20, 40, 90));
    p.setFont(PixelFont(QString::fromUtf8(kGothic), 30, true));
    p.drawText(QRect(0, 45, 300, 40), Qt::AlignCenter, QString::fromUtf8("ターフパッド"));
    p.setFont(PixelFont(QString::fromUtf8(kPGothic), 12, true));
    p.drawText(QRect(0, 85, 300, 20), Qt::AlignCenter, "for JRA-VAN Data Lab.");
    return pm;
}

}  // namespace turfpad
