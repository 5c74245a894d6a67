// The printout of the main window: one page on the default printer, at
// once and without a print dialog, with the window's image at its natural
// size near the top-left corner of the page.
//
// With CUPS the page is drawn into a PDF file and handed to the print
// server through libcups rather than through QPrinter: Qt's CUPS engine
// drops the server's answer (QPainter::end() returns true and
// QPrinter::printerState() stays Idle even when the server refuses the
// job), so a refused page would pass for a printed one, and neither it nor
// Qt's list of printers bounds the time it waits for the server. Every
// request goes over a connection of the program's own on which each wait
// gives up after a few seconds, so that a server that does not answer
// cannot hold the window. The job is then followed for a while, because a
// printer that fails after taking the page (a device that cannot be
// written, a printer stopped while the page waits) only shows in the job's
// state.
#pragma once

#include "form/print.h"

#include <QPageLayout>

#include <functional>

class QObject;
class QPagedPaintDevice;
class QPixmap;
class QString;

namespace kavrel {

// Sends `image` as one page to the default printer and calls `done` exactly
// once with the outcome: at once where the printer did not take the page,
// or when it is known whether the printer printed it after all. Nothing is
// called once `owner` is gone.
void PrintImage(const QPixmap& image, const QString& title, QObject* owner,
                std::function<void(const PrintOutcome&)> done);

// Margin kept from the top and left edges of the page, in inches; a
// printer that cannot print that close to the edge keeps its own. Half an
// inch is a whole number of screen pixels, so the window's pixels fall on
// whole pixels of a 96 dpi rendering of the page.
constexpr double PageMarginInches = 0.5;

// A sheet as the print server describes it, in hundredths of a millimetre:
// its size, and the least margins the printer keeps on each side.
struct PrinterMedium {
    int width = 0;
    int length = 0;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The page for a sheet, in points: the margin above kept from the top and
// left edges, or the printer's where larger, and the printer's on the
// other two.
QPageLayout PageFor(const PrinterMedium& medium);

// Paints `image` at its natural size, 96 screen pixels to the inch, from the
// top-left corner of the device's paint area (inside its margins), without
// lossy compression. False when the device cannot be painted on.
bool PaintAtNaturalSize(QPagedPaintDevice& device, const QPixmap& image);

}  // namespace kavrel
