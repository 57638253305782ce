// The printer as the page preview and the grid printer see it. The program prints through
// the system's default printer (or a PDF file when there is none); tests put a fake with
// fixed metrics in its place.
#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

class QPainter;
class QWidget;

namespace turfpad {

// Shown when a print job could not be started or finished (a printer error, a PDF file that
// could not be written).
inline constexpr const char* kPrintFailedMessage = "印刷できませんでした。";

class Printer {
  public:
    virtual ~Printer() = default;

    // Whether the system has a printer to print on.
    virtual bool Installed() const = 0;
    // Logical pixels per inch of the printer, across and down.
    virtual int DpiX() const = 0;
    virtual int DpiY() const = 0;
    // The whole sheet, in printer pixels.
    virtual QSize SheetSize() const = 0;
    // Where the printable area starts on the sheet, and its size, in printer pixels.
    virtual QPoint PrintableOffset() const = 0;
    virtual QSize PrintableSize() const = 0;
    // Whether the sheet lies on its side (landscape); the sizes above follow the turn.
    virtual bool Landscape() const = 0;
    virtual void SetLandscape(bool landscape) = 0;

    // Starts a print job under the title; its first page is open. False when the job could
    // not start (or the user cancelled choosing where it goes): nothing is printed then.
    virtual bool BeginJob(const QString& title) = 0;
    // Ends the open page and opens the next one; false when the job cannot go on.
    virtual bool NewPage() = 0;
    // Ends the job and hands it over; false when it could not be (a file not written).
    virtual bool EndJob() = 0;
    // Whether the last job that did not start was declined by the user (who cancelled
    // choosing where it goes) rather than failed.
    virtual bool JobDeclined() const = 0;
    // The painter of the job, between BeginJob and EndJob (null otherwise). Its origin is the
    // top-left corner of the printable area; one unit is one printer pixel.
    virtual QPainter* Painter() = 0;

    // The printer setup dialog; true when the user confirmed it.
    virtual bool SetupDialog(QWidget* parent) = 0;
};

}  // namespace turfpad
