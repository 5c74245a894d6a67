// The printout of the main window: one page on the default printer, at
// once and without a print dialog, with the window's image at its natural
// size near the top-left corner of the page.
//
// With CUPS the page is drawn into a PDF file and handed to the print
// server through libcups rather than through QPrinter: Qt's CUPS engine
// drops the server's answer (QPainter::end() returns true and
// QPrinter::printerState() stays Idle even when the server refuses the
// job), so a refused page would pass for a printed one. The job is then
// followed until the printer has done with it, because a printer that
// fails after taking the page (a device that cannot be written, a printer
// stopped while the page waits) only shows in the job's state.
#pragma once

#include "form/print.h"

#include <QObject>
#include <QString>

#include <functional>

class QPageLayout;
class QPagedPaintDevice;
class QPixmap;
class QTimer;

namespace kavrel {

struct CupsApi;  // the functions of libcups, loaded when first needed

// Sends `image` as one page to the default printer and calls `done` once
// with the outcome: at once where the printer did not take the page, or
// when it is known whether the printer printed it after all. Nothing is
// called once `owner` is gone.
void PrintImage(const QPixmap& image, const QString& title, QObject* owner,
                std::function<void(const PrintOutcome&)> done);

// Margin kept from the top and left edges of the page, in inches; a
// printer that cannot print that close to the edge keeps its own. Half an
// inch is a whole number of screen pixels, so the window's pixels fall on
// whole pixels of a 96 dpi rendering of the page.
constexpr double PageMarginInches = 0.5;

// Paints `image` at its natural size, 96 screen pixels to the inch, from the
// top-left corner of the device's paint area (inside its margins), without
// lossy compression. False when the device cannot be painted on.
bool PaintAtNaturalSize(QPagedPaintDevice& device, const QPixmap& image);

// A page on its way to the default printer.
class Printout : public QObject {
    Q_OBJECT

public:
    // Sends `image` as one page to the default printer and tells in
    // `outcome` whether the printer took it. When it did and the job can
    // be followed, returns the object that follows it: a child of `owner`
    // that emits finished() once it knows whether the printer printed the
    // page, and deletes itself then. Otherwise returns null.
    static Printout* Send(const QPixmap& image, const QString& title, QObject* owner, PrintOutcome& outcome);

Q_SIGNALS:
    void finished(const kavrel::PrintOutcome& outcome);

private:
    Printout(const QString& printer, int job, QObject* owner);
    // Send() through libcups, where it is found.
    static Printout* SendToCups(const CupsApi& cups, const QPixmap& image, const QString& title, QObject* owner,
                                const QPageLayout& page, PrintOutcome& outcome);
    void Follow();

    QString printer_;
    int job_;
    QTimer* timer_;
};

}  // namespace kavrel
