#include "ui/printout.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTimer>

#ifdef KAVREL_HAVE_CUPS
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <cups/cups.h>
#endif

#include <algorithm>

namespace kavrel {
namespace {

constexpr double ScreenDpi = 96.0;
constexpr double PointsPerInch = 72.0;
constexpr int FollowIntervalMs = 250;

// The printer's own page with the margin kept from the top and left edges,
// or the printer's, where it cannot print that close to the edge.
QPageLayout PageFor(const QPrinter& printer) {
    QPageLayout page = printer.pageLayout();
    page.setUnits(QPageLayout::Point);
    const QMarginsF least = page.minimumMargins();
    const double margin = PageMarginInches * PointsPerInch;
    page.setMargins(QMarginsF(std::max(margin, least.left()), std::max(margin, least.top()), least.right(),
                              least.bottom()));
    return page;
}

#ifdef KAVREL_HAVE_CUPS
// Qt names a CUPS destination "printer" or "printer/instance".
struct Destination {
    explicit Destination(const QString& qtName)
        : name(qtName.section(u'/', 0, 0).toLocal8Bit()), instance(qtName.section(u'/', 1).toLocal8Bit()) {}
    const char* instanceOrNull() const { return instance.isEmpty() ? nullptr : instance.constData(); }

    QByteArray name;
    QByteArray instance;
};

QString CupsError() { return QString::fromUtf8(cupsLastErrorString()); }

// What keeps the printer from taking a page now, as its server says.
PrintFault PrinterFault(const Destination& printer, QString& detail) {
    cups_dest_t* dest = cupsGetNamedDest(nullptr, printer.name.constData(), printer.instanceOrNull());
    if (!dest) {
        detail = CupsError();  // gone since Qt listed it, or the server is
        return PrintFault::NotTaken;
    }
    const QByteArray accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const QByteArray state = cupsGetOption("printer-state", dest->num_options, dest->options);
    cupsFreeDests(1, dest);
    if (accepting == "false") return PrintFault::NotAccepting;
    // A stopped printer would keep the page until someone starts it again.
    if (state.toInt() == IPP_PSTATE_STOPPED) return PrintFault::Stopped;
    return PrintFault::None;
}
#endif

}  // namespace

bool PaintAtNaturalSize(QPagedPaintDevice& device, const QPixmap& image) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    painter.scale(device.logicalDpiX() / ScreenDpi, device.logicalDpiY() / ScreenDpi);
    // Qt would store the image as JPEG in a PDF file, which blurs the text
    // and the one-pixel separator lines.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    // At its logical size: a grab from a high-density screen has more pixels.
    painter.drawPixmap(0, 0, image);
    return painter.end();
}

Printout* Printout::Send(const QPixmap& image, const QString& title, QObject* owner, PrintOutcome& outcome) {
    outcome = PrintOutcome{};
    const QPrinterInfo target = QPrinterInfo::defaultPrinter();
    if (target.isNull()) {
        // Also what a missing print server looks like.
        outcome.fault =
            QPrinterInfo::availablePrinterNames().isEmpty() ? PrintFault::NoPrinter : PrintFault::NoDefaultPrinter;
        return nullptr;
    }
    outcome.printer = target.printerName();
    QPrinter printer(target, QPrinter::HighResolution);
    const QPageLayout page = PageFor(printer);

#ifdef KAVREL_HAVE_CUPS
    const Destination dest(outcome.printer);
    outcome.fault = PrinterFault(dest, outcome.detail);
    if (outcome.fault != PrintFault::None) return nullptr;

    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/kavrel-XXXXXX.pdf"));
    bool made = file.open();
    if (made) {
        QPdfWriter pdf(&file);
        pdf.setPageLayout(page);
        pdf.setTitle(title);
        pdf.setCreator(title);
        made = PaintAtNaturalSize(pdf, image);
    }
    if (!made || !file.flush()) {
        outcome.fault = PrintFault::PageNotMade;
        outcome.detail = file.errorString();
        return nullptr;
    }
    const int job = cupsPrintFile2(nullptr, dest.name.constData(), QFile::encodeName(file.fileName()).constData(),
                                   title.toUtf8().constData(), 0, nullptr);
    if (job == 0) {
        outcome.fault = PrintFault::NotTaken;
        outcome.detail = CupsError();
        return nullptr;
    }
    return new Printout(outcome.printer, job, owner);
#else
    // Elsewhere QPrinter's own engine reports a failed page through end().
    printer.setPageLayout(page);
    printer.setDocName(title);
    if (!PaintAtNaturalSize(printer, image) || printer.printerState() == QPrinter::Error)
        outcome.fault = PrintFault::NotTaken;
    return nullptr;
#endif
}

Printout::Printout(const QString& printer, int job, QObject* owner)
    : QObject(owner), printer_(printer), job_(job), timer_(new QTimer(this)) {
    connect(timer_, &QTimer::timeout, this, &Printout::Follow);
    timer_->start(FollowIntervalMs);
}

void Printout::Follow() {
#ifdef KAVREL_HAVE_CUPS
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = "ipp://localhost/jobs/" + QByteArray::number(job_);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    static const char* const wanted[] = {"job-state", "job-state-reasons", "job-printer-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, wanted);
    ipp_t* response = cupsDoRequest(nullptr, request, "/");
    const int state = ippGetInteger(ippFindAttribute(response, "job-state", IPP_TAG_ENUM), 0);
    ipp_attribute_t* reasons = ippFindAttribute(response, "job-state-reasons", IPP_TAG_KEYWORD);
    const bool byUser = ippContainsString(reasons, "job-canceled-by-user") != 0;
    const QString said =
        QString::fromUtf8(ippGetString(ippFindAttribute(response, "job-printer-state-message", IPP_TAG_TEXT), 0,
                                       nullptr));
    ippDelete(response);

    PrintOutcome outcome{PrintFault::None, printer_, said};
    if (state == IPP_JSTATE_ABORTED || (state == IPP_JSTATE_CANCELED && !byUser)) {
        outcome.fault = PrintFault::NotPrinted;
    } else if (state >= IPP_JSTATE_PENDING && state < IPP_JSTATE_CANCELED) {
        const Destination dest(printer_);
        QString ignored;
        if (PrinterFault(dest, ignored) != PrintFault::Stopped) return;  // still on its way
        // Withdrawn, so that a page reported as not printed never comes out
        // when the printer is started again.
        cupsCancelJob2(nullptr, dest.name.constData(), job_, 0);
        outcome.fault = PrintFault::Stopped;
        outcome.detail.clear();
    }
    // Printed, cancelled by the user, or out of sight (the server is gone):
    // nothing more to follow.
    timer_->stop();
    deleteLater();
    if (outcome.fault != PrintFault::None) Q_EMIT failed(outcome);
#else
    timer_->stop();
    deleteLater();
#endif
}

}  // namespace kavrel
