// The printer seam on Qt: the system's default printer when one is installed, otherwise a
// PDF printer (A4 portrait, 600 dpi) that asks where to save the file when a job starts.
#pragma once

#include <QIdentityProxyModel>
#include <QPainter>
#include <functional>
#include <memory>

#include "Printer.h"

class QPrinter;

namespace turfpad {

class IniStore;

class QtPrinter : public Printer {
  public:
    // Asked for the PDF file name when a job starts; gets the name used last (or a
    // suggestion) and returns the chosen one, or an empty text to cancel the job.
    using FileNameAsker = std::function<QString(const QString& suggested)>;

    // The default printer, or the PDF printer asking `askFileName`.
    explicit QtPrinter(FileNameAsker askFileName);
    // A PDF printer writing every job to `path` (for the command line).
    static std::unique_ptr<QtPrinter> PdfFile(const QString& path);
    ~QtPrinter() override;

    // Whether jobs go to a PDF file rather than a printer.
    bool IsPdf() const;
    QPrinter& Device() { return *printer_; }

    bool Installed() const override { return true; }
    int DpiX() const override;
    int DpiY() const override;
    QSize SheetSize() const override;
    QPoint PrintableOffset() const override;
    QSize PrintableSize() const override;
    bool Landscape() const override;
    void SetLandscape(bool landscape) override;
    bool BeginJob(const QString& title) override;
    bool NewPage() override;
    bool EndJob() override;
    bool JobDeclined() const override { return declined_; }
    QPainter* Painter() override;
    bool SetupDialog(QWidget* parent) override;

    // The file name the PDF save dialog suggests for the next job (the day's name, say),
    // in the folder a PDF file was saved to last.
    void SetSuggestedFileName(const QString& name) { suggestedName_ = name; }
    // Told the path of each PDF file written, once the job has ended well.
    void SetSavedNotice(std::function<void(const QString& path)> notice) { savedNotice_ = std::move(notice); }
    // Keeps the folder a PDF file was saved to last in the settings file ([pdf] folder=, in
    // cp932), so that the save dialog opens there again after a restart. Read at once.
    void RememberFolderIn(IniStore& ini);
    // The full path the save dialog is offered: `name` (with ".pdf") in `folder`.
    static QString SuggestedPath(const QString& folder, const QString& name);

  private:
    QtPrinter() = default;
    void MakePdf();

    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
    FileNameAsker askFileName_;
    bool declined_ = false;
    QString suggestedName_;
    QString lastFolder_;
    IniStore* folderStore_ = nullptr;
    std::function<void(const QString&)> savedNotice_;
};

// Asks for a PDF file name with a save dialog over the window that asked for the job: the
// active modal window (the page preview), or `parent` when there is none.
QtPrinter::FileNameAsker PdfSaveDialog(QWidget* parent);

// For Qt's own file dialog (where the system has none): the files' dates as a Japanese user
// writes them, 2025/03/04 9:05, whatever the system's locale.
class JapaneseFileDates : public QIdentityProxyModel {
  public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override;
};

}  // namespace turfpad
