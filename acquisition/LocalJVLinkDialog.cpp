#include "LocalJVLinkDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace turfpad {

TLocalJVLinkDialog::TLocalJVLinkDialog(QWidget* parent, const LocalJVLinkSettings& settings) : QDialog(parent) {
    setWindowTitle(QStringLiteral("JV-Link設定"));
    auto* grid = new QGridLayout(this);

    grid->addWidget(new QLabel(QStringLiteral("データ提供元フォルダ"), this), 0, 0);
    SourceEdit = new QLineEdit(QString::fromStdString(settings.sourceFolder), this);
    SourceEdit->setMinimumWidth(320);
    grid->addWidget(SourceEdit, 0, 1);
    BrowseButton = new QPushButton(QStringLiteral("参照..."), this);
    grid->addWidget(BrowseButton, 0, 2);
    auto* note = new QLabel(QStringLiteral("空欄のときは、今週の土曜・日曜のデモ用出馬表を提供します。"), this);
    grid->addWidget(note, 1, 1, 1, 2);

    grid->addWidget(new QLabel(QStringLiteral("サービスキー"), this), 2, 0);
    ServiceKeyEdit = new QLineEdit(QString::fromStdString(settings.serviceKey), this);
    grid->addWidget(ServiceKeyEdit, 2, 1, 1, 2);

    grid->addWidget(new QLabel(QStringLiteral("ダウンロード速度"), this), 3, 0);
    RateEdit = new QSpinBox(this);
    RateEdit->setRange(0, 600000);
    RateEdit->setSingleStep(50);
    RateEdit->setSuffix(QStringLiteral(" ミリ秒／ファイル"));
    RateEdit->setValue(settings.downloadMsPerFile);
    grid->addWidget(RateEdit, 3, 1, 1, 2);

    // The time the demo is played at, so that a race day can be seen at any hour.
    grid->addWidget(new QLabel(QStringLiteral("デモの時刻"), this), 4, 0);
    DemoClockEdit = new QLineEdit(QString::fromStdString(settings.demoClock), this);
    DemoClockEdit->setPlaceholderText(QStringLiteral("2026-12-12 12:30"));
    grid->addWidget(DemoClockEdit, 4, 1, 1, 2);
    auto* clockNote = new QLabel(QStringLiteral("日本時間で「年-月-日 時:分」。空欄なら現在の時刻"), this);
    grid->addWidget(clockNote, 5, 1, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    grid->addWidget(buttons, 6, 0, 1, 3);

    picker_ = [](QWidget* owner, const QString& current) {
        return QFileDialog::getExistingDirectory(owner, QStringLiteral("データ提供元フォルダの選択"), current);
    };
    connect(BrowseButton, &QPushButton::clicked, this, &TLocalJVLinkDialog::BrowseButtonClick);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TLocalJVLinkDialog::BrowseButtonClick() {
    QString folder = picker_(this, SourceEdit->text());
    if (!folder.isEmpty()) SourceEdit->setText(QDir::toNativeSeparators(folder));
}

LocalJVLinkSettings TLocalJVLinkDialog::settings() const {
    LocalJVLinkSettings s;
    s.sourceFolder = SourceEdit->text().trimmed().toStdString();
    s.serviceKey = ServiceKeyEdit->text().trimmed().toStdString();
    s.downloadMsPerFile = RateEdit->value();
    s.demoClock = DemoClockEdit->text().trimmed().toStdString();
    return s;
}

bool RunLocalJVLinkDialog(LocalJVLinkSettings& settings) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    TLocalJVLinkDialog dialog(QApplication::activeWindow(), settings);
    if (dialog.exec() != QDialog::Accepted) return false;
    settings = dialog.settings();
    return true;
}

}  // namespace turfpad
