#include "QtPrinter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QTreeView>

#include "settings/IniStore.h"
#include "text/Cp932.h"

namespace turfpad {

namespace {
constexpr int kPdfDpi = 600;
constexpr const char* kFolderSection = "pdf";
constexpr const char* kFolderKey = "folder";
}  // namespace

QtPrinter::QtPrinter(FileNameAsker askFileName) : askFileName_(std::move(askFileName)) {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        MakePdf();
    } else {
        printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
}

std::unique_ptr<QtPrinter> QtPrinter::PdfFile(const QString& path) {
    std::unique_ptr<QtPrinter> p(new QtPrinter());
    p->MakePdf();
    p->printer_->setOutputFileName(path);
    return p;
}

QtPrinter::~QtPrinter() {
    if (painter_.isActive()) painter_.end();
}

void QtPrinter::MakePdf() {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setResolution(kPdfDpi);
    printer_->setPageSize(QPageSize(QPageSize::A4));
    printer_->setPageOrientation(QPageLayout::Portrait);
}

bool QtPrinter::IsPdf() const { return printer_->outputFormat() == QPrinter::PdfFormat; }

int QtPrinter::DpiX() const { return printer_->logicalDpiX(); }
int QtPrinter::DpiY() const { return printer_->logicalDpiY(); }

QSize QtPrinter::SheetSize() const { return printer_->paperRect(QPrinter::DevicePixel).toRect().size(); }

QPoint QtPrinter::PrintableOffset() const { return printer_->pageRect(QPrinter::DevicePixel).toRect().topLeft(); }

QSize QtPrinter::PrintableSize() const { return printer_->pageRect(QPrinter::DevicePixel).toRect().size(); }

bool QtPrinter::Landscape() const { return printer_->pageLayout().orientation() == QPageLayout::Landscape; }

void QtPrinter::SetLandscape(bool landscape) {
    printer_->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

bool QtPrinter::BeginJob(const QString& title) {
    declined_ = false;
    if (painter_.isActive()) return false;
    if (IsPdf() && askFileName_) {
        const QFileInfo previous(printer_->outputFileName());
        QString folder = lastFolder_;
        if (folder.isEmpty() && !printer_->outputFileName().isEmpty()) folder = previous.absolutePath();
        if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
        const QString name = suggestedName_.isEmpty() ? previous.fileName() : suggestedName_;
        QString chosen = askFileName_(SuggestedPath(folder, name));
        if (chosen.isEmpty()) {
            declined_ = true;
            return false;
        }
        lastFolder_ = QFileInfo(chosen).absolutePath();
        // A folder the settings file's code page cannot spell is not kept: a mangled path
        // would send the next dialog somewhere else.
        if (folderStore_)
            if (auto cp932 = TryUtf8ToCp932(lastFolder_.toStdString()))
                folderStore_->WriteString(kFolderSection, kFolderKey, *cp932);
        printer_->setOutputFileName(chosen);
    }
    if (IsPdf() && printer_->outputFileName().isEmpty()) return false;
    printer_->setDocName(title);
    return painter_.begin(printer_.get());
}

bool QtPrinter::NewPage() { return painter_.isActive() && printer_->newPage(); }

bool QtPrinter::EndJob() {
    if (!painter_.isActive() || !painter_.end()) return false;
    if (IsPdf() && savedNotice_) savedNotice_(QFileInfo(printer_->outputFileName()).absoluteFilePath());
    return true;
}

void QtPrinter::RememberFolderIn(IniStore& ini) {
    folderStore_ = &ini;
    if (auto folder = TryCp932ToUtf8(ini.ReadString(kFolderSection, kFolderKey, ""))) {
        const QString kept = QString::fromStdString(*folder);
        if (!kept.isEmpty() && QFileInfo(kept).isDir()) lastFolder_ = kept;
    }
}

QString QtPrinter::SuggestedPath(const QString& folder, const QString& name) {
    if (name.isEmpty()) return folder;
    QString file = name;
    file.replace('/', '_');  // a day's name never holds one; a title might
    if (!file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) file += QStringLiteral(".pdf");
    return QDir(folder).filePath(file);
}

QPainter* QtPrinter::Painter() { return painter_.isActive() ? &painter_ : nullptr; }

bool QtPrinter::SetupDialog(QWidget* parent) {
    QPrintDialog dialog(printer_.get(), parent);
    dialog.setWindowTitle(QStringLiteral("プリンタの設定"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    bool ok = dialog.exec() == QDialog::Accepted;
    // A printer chosen in the dialog may print at its own resolution; a PDF file keeps ours.
    if (ok && IsPdf() && printer_->resolution() != kPdfDpi) printer_->setResolution(kPdfDpi);
    return ok;
}

QtPrinter::FileNameAsker PdfSaveDialog(QWidget* parent) {
    return [parent](const QString& suggested) {
        QWidget* asking = QApplication::activeModalWidget();
        QFileDialog dialog(asking != nullptr ? asking : parent, QStringLiteral("PDFファイルに保存"), suggested,
                           QStringLiteral("PDF (*.pdf)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
#ifndef _WIN32
        // Qt's own dialog, with the dates of its list in Japanese (Windows' dialog has them).
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setProxyModel(new JapaneseFileDates(&dialog));
        if (auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView")))
            list->header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);
#endif
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
}

QVariant JapaneseFileDates::data(const QModelIndex& index, int role) const {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || index.column() != 3 || files == nullptr)
        return QIdentityProxyModel::data(index, role);
    const QDateTime at = files->lastModified(mapToSource(index));
    return at.isValid() ? at.toString(QStringLiteral("yyyy/MM/dd H:mm")) : QString();
}

}  // namespace turfpad
