#include "ui/qt/printout.h"

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
#include <QLibrary>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <type_traits>
#endif

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

namespace kavrel {

#ifdef KAVREL_HAVE_CUPS
// libcups is loaded when the first page is printed, not with the program:
// it brings some twenty libraries (TLS, Kerberos, Avahi) that would slow
// the start of a window which may never print.
struct CupsApi {
    decltype(&::cupsCancelJob2) cancelJob2;
    decltype(&::cupsDoRequest) doRequest;
    decltype(&::cupsFreeDests) freeDests;
    decltype(&::cupsGetNamedDest) getNamedDest;
    decltype(&::cupsGetOption) getOption;
    decltype(&::cupsLastErrorString) lastErrorString;
    decltype(&::cupsPrintFile2) printFile2;
    decltype(&::cupsUser) user;
    decltype(&::ippAddString) addString;
    decltype(&::ippAddStrings) addStrings;
    decltype(&::ippContainsString) containsString;
    decltype(&::ippDelete) deleteIpp;
    decltype(&::ippFindAttribute) findAttribute;
    decltype(&::ippGetInteger) getInteger;
    decltype(&::ippGetString) getString;
    decltype(&::ippNewRequest) newRequest;
};
#endif

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
// The functions of libcups, or null when the library cannot be loaded.
const CupsApi* Cups() {
    static const std::optional<CupsApi> api = []() -> std::optional<CupsApi> {
        QLibrary library(QStringLiteral("cups"), 2);  // stays loaded
        if (!library.load()) return std::nullopt;
        CupsApi a{};
        bool all = true;
        const auto resolve = [&library, &all](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.resolve(name));
            all = all && function;
        };
        resolve(a.cancelJob2, "cupsCancelJob2");
        resolve(a.doRequest, "cupsDoRequest");
        resolve(a.freeDests, "cupsFreeDests");
        resolve(a.getNamedDest, "cupsGetNamedDest");
        resolve(a.getOption, "cupsGetOption");
        resolve(a.lastErrorString, "cupsLastErrorString");
        resolve(a.printFile2, "cupsPrintFile2");
        resolve(a.user, "cupsUser");
        resolve(a.addString, "ippAddString");
        resolve(a.addStrings, "ippAddStrings");
        resolve(a.containsString, "ippContainsString");
        resolve(a.deleteIpp, "ippDelete");
        resolve(a.findAttribute, "ippFindAttribute");
        resolve(a.getInteger, "ippGetInteger");
        resolve(a.getString, "ippGetString");
        resolve(a.newRequest, "ippNewRequest");
        return all ? std::optional<CupsApi>(a) : std::nullopt;
    }();
    return api ? &*api : nullptr;
}

// Qt names a CUPS destination "printer" or "printer/instance".
struct Destination {
    explicit Destination(const QString& qtName)
        : name(qtName.section(u'/', 0, 0).toLocal8Bit()), instance(qtName.section(u'/', 1).toLocal8Bit()) {}
    const char* instanceOrNull() const { return instance.isEmpty() ? nullptr : instance.constData(); }

    QByteArray name;
    QByteArray instance;
};

std::string CupsError(const CupsApi& cups) { return cups.lastErrorString(); }

// What keeps the printer from taking a page now, as its server says.
PrintFault PrinterFault(const CupsApi& cups, const Destination& printer, std::string& detail) {
    cups_dest_t* dest = cups.getNamedDest(nullptr, printer.name.constData(), printer.instanceOrNull());
    if (!dest) {
        detail = CupsError(cups);  // gone since Qt listed it, or the server is
        return PrintFault::NotTaken;
    }
    const QByteArray accepting = cups.getOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const QByteArray state = cups.getOption("printer-state", dest->num_options, dest->options);
    cups.freeDests(1, dest);
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
    outcome.printer = target.printerName().toStdString();
    QPrinter printer(target, QPrinter::HighResolution);
    const QPageLayout page = PageFor(printer);

#ifdef KAVREL_HAVE_CUPS
    if (const CupsApi* cups = Cups()) return SendToCups(*cups, image, title, owner, page, outcome);
#endif
    // Without libcups, QPrinter's own engine reports a failed page through end().
    printer.setPageLayout(page);
    printer.setDocName(title);
    if (!PaintAtNaturalSize(printer, image) || printer.printerState() == QPrinter::Error)
        outcome.fault = PrintFault::NotTaken;
    return nullptr;
}

#ifdef KAVREL_HAVE_CUPS
Printout* Printout::SendToCups(const CupsApi& cups, const QPixmap& image, const QString& title, QObject* owner,
                               const QPageLayout& page, PrintOutcome& outcome) {
    const Destination dest(QString::fromStdString(outcome.printer));
    outcome.fault = PrinterFault(cups, dest, outcome.detail);
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
        outcome.detail = file.errorString().toStdString();
        return nullptr;
    }
    const int job = cups.printFile2(nullptr, dest.name.constData(), QFile::encodeName(file.fileName()).constData(),
                                    title.toUtf8().constData(), 0, nullptr);
    if (job == 0) {
        outcome.fault = PrintFault::NotTaken;
        outcome.detail = CupsError(cups);
        return nullptr;
    }
    return new Printout(QString::fromStdString(outcome.printer), job, owner);
}
#endif

Printout::Printout(const QString& printer, int job, QObject* owner)
    : QObject(owner), printer_(printer), job_(job), timer_(new QTimer(this)) {
    connect(timer_, &QTimer::timeout, this, &Printout::Follow);
    timer_->start(FollowIntervalMs);
}

void Printout::Follow() {
#ifdef KAVREL_HAVE_CUPS
    const CupsApi& cups = *Cups();  // loaded: the job was sent through it
    ipp_t* request = cups.newRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = "ipp://localhost/jobs/" + QByteArray::number(job_);
    cups.addString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    cups.addString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cups.user());
    static const char* const wanted[] = {"job-state", "job-state-reasons", "job-printer-state-message"};
    cups.addStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, wanted);
    ipp_t* response = cups.doRequest(nullptr, request, "/");
    const int state = cups.getInteger(cups.findAttribute(response, "job-state", IPP_TAG_ENUM), 0);
    ipp_attribute_t* reasons = cups.findAttribute(response, "job-state-reasons", IPP_TAG_KEYWORD);
    const bool byUser = cups.containsString(reasons, "job-canceled-by-user") != 0;
    const char* message = cups.getString(cups.findAttribute(response, "job-printer-state-message", IPP_TAG_TEXT), 0, nullptr);
    const std::string said = message ? message : "";  // the response owns the text
    cups.deleteIpp(response);

    PrintOutcome outcome{PrintFault::None, printer_.toStdString(), said};
    if (state == IPP_JSTATE_ABORTED || (state == IPP_JSTATE_CANCELED && !byUser)) {
        outcome.fault = PrintFault::NotPrinted;
    } else if (state >= IPP_JSTATE_PENDING && state < IPP_JSTATE_CANCELED) {
        const Destination dest(printer_);
        std::string ignored;
        if (PrinterFault(cups, dest, ignored) != PrintFault::Stopped) return;  // still on its way
        // Withdrawn, so that a page reported as not printed never comes out
        // when the printer is started again.
        cups.cancelJob2(nullptr, dest.name.constData(), job_, 0);
        outcome.fault = PrintFault::Stopped;
        outcome.detail.clear();
    }
    // Printed, cancelled by the user, or out of sight (the server is gone):
    // nothing more to follow.
    timer_->stop();
    deleteLater();
    Q_EMIT finished(outcome);
#else
    timer_->stop();
    deleteLater();
    Q_EMIT finished(PrintOutcome{PrintFault::None, printer_.toStdString(), {}});
#endif
}

void PrintImage(const QPixmap& image, const QString& title, QObject* owner,
                std::function<void(const PrintOutcome&)> done) {
    PrintOutcome outcome;
    if (Printout* job = Printout::Send(image, title, owner, outcome)) {
        QObject::connect(job, &Printout::finished, owner, std::move(done));
    } else {
        done(outcome);
    }
}

}  // namespace kavrel
