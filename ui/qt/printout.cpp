#include "ui/qt/printout.h"

#include <QMarginsF>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSizeF>
#include <QString>

#ifdef KAVREL_HAVE_CUPS
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QObject>
#include <QPdfWriter>
#include <QTemporaryFile>
#include <QTimer>
#include <QtGlobal>

#include <cups/cups.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <type_traits>
#endif

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

namespace kavrel {

using Done = std::function<void(const PrintOutcome&)>;

namespace {

constexpr double ScreenDpi = 96.0;
constexpr double PointsPerInch = 72.0;
constexpr double HundredthsOfMmPerInch = 2540.0;

// `size` with the margin kept from the top and left edges, or the printer's
// least margins (points) where larger.
QPageLayout WithMargin(const QPageSize& size, const QMarginsF& least) {
    const double margin = PageMarginInches * PointsPerInch;
    return QPageLayout(size, QPageLayout::Portrait,
                       QMarginsF(std::max(margin, least.left()), std::max(margin, least.top()), least.right(),
                                 least.bottom()),
                       QPageLayout::Point, least);
}

// Without libcups: the default printer through QPrinter, whose own engine
// reports a failed page through end().
PrintOutcome PrintThroughQt(const QPixmap& image, const QString& title) {
    PrintOutcome outcome;
    const QPrinterInfo target = QPrinterInfo::defaultPrinter();
    if (target.isNull()) {
        // Also what a missing print server looks like.
        outcome.fault =
            QPrinterInfo::availablePrinterNames().isEmpty() ? PrintFault::NoPrinter : PrintFault::NoDefaultPrinter;
        return outcome;
    }
    outcome.printer = target.printerName().toStdString();
    QPrinter printer(target, QPrinter::HighResolution);
    QPageLayout page = printer.pageLayout();
    page.setUnits(QPageLayout::Point);
    printer.setPageLayout(WithMargin(page.pageSize(), page.minimumMargins()));
    printer.setDocName(title);
    if (!PaintAtNaturalSize(printer, image) || printer.printerState() == QPrinter::Error)
        outcome.fault = PrintFault::NotTaken;
    return outcome;
}

#ifdef KAVREL_HAVE_CUPS
using Clock = std::chrono::steady_clock;

// What one Print may spend on the print server before the printer has the
// page (connecting, finding the default printer, its state and sheet,
// sending the file), and what each look at the job afterwards may spend.
constexpr std::chrono::milliseconds SendBudget{5000};
constexpr std::chrono::milliseconds PollBudget{2000};
// How often libcups, while it waits for the server, asks whether to go on.
constexpr double WaitSliceSeconds = 0.25;
constexpr int FollowIntervalMs = 250;
// How long a job is followed: ample for one page, short of following a held
// job for ever. KAVREL_PRINT_FOLLOW_SECONDS sets it for the tests.
constexpr int FollowSeconds = 120;

// libcups is loaded when the first page is printed, not with the program:
// it brings some twenty libraries (TLS, Kerberos, Avahi) that would slow
// the start of a window which may never print.
struct CupsApi {
    decltype(&::cupsCancelJob2) cancelJob2;
    decltype(&::cupsCopyDestInfo) copyDestInfo;
    decltype(&::cupsDoRequest) doRequest;
    decltype(&::cupsEncryption) encryption;
    decltype(&::cupsFindDestDefault) findDestDefault;
    decltype(&::cupsFreeDestInfo) freeDestInfo;
    decltype(&::cupsFreeDests) freeDests;
    decltype(&::cupsGetDestMediaByName) getDestMediaByName;
    decltype(&::cupsGetDestMediaDefault) getDestMediaDefault;
    decltype(&::cupsGetNamedDest) getNamedDest;
    decltype(&::cupsGetOption) getOption;
    decltype(&::cupsLastError) lastError;
    decltype(&::cupsLastErrorString) lastErrorString;
    decltype(&::cupsPrintFile2) printFile2;
    decltype(&::cupsServer) server;
    decltype(&::cupsUser) user;
    decltype(&::httpClose) close;
    decltype(&::httpConnect2) connect2;
    decltype(&::httpSetTimeout) setTimeout;
    decltype(&::ippAddInteger) addInteger;
    decltype(&::ippAddString) addString;
    decltype(&::ippAddStrings) addStrings;
    decltype(&::ippContainsString) containsString;
    decltype(&::ippDelete) deleteIpp;
    decltype(&::ippFindAttribute) findAttribute;
    decltype(&::ippGetInteger) getInteger;
    decltype(&::ippGetString) getString;
    decltype(&::ippNewRequest) newRequest;
    decltype(&::ippPort) port;
};

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
        resolve(a.copyDestInfo, "cupsCopyDestInfo");
        resolve(a.doRequest, "cupsDoRequest");
        resolve(a.encryption, "cupsEncryption");
        resolve(a.findDestDefault, "cupsFindDestDefault");
        resolve(a.freeDestInfo, "cupsFreeDestInfo");
        resolve(a.freeDests, "cupsFreeDests");
        resolve(a.getDestMediaByName, "cupsGetDestMediaByName");
        resolve(a.getDestMediaDefault, "cupsGetDestMediaDefault");
        resolve(a.getNamedDest, "cupsGetNamedDest");
        resolve(a.getOption, "cupsGetOption");
        resolve(a.lastError, "cupsLastError");
        resolve(a.lastErrorString, "cupsLastErrorString");
        resolve(a.printFile2, "cupsPrintFile2");
        resolve(a.server, "cupsServer");
        resolve(a.user, "cupsUser");
        resolve(a.close, "httpClose");
        resolve(a.connect2, "httpConnect2");
        resolve(a.setTimeout, "httpSetTimeout");
        resolve(a.addInteger, "ippAddInteger");
        resolve(a.addString, "ippAddString");
        resolve(a.addStrings, "ippAddStrings");
        resolve(a.containsString, "ippContainsString");
        resolve(a.deleteIpp, "ippDelete");
        resolve(a.findAttribute, "ippFindAttribute");
        resolve(a.getInteger, "ippGetInteger");
        resolve(a.getString, "ippGetString");
        resolve(a.newRequest, "ippNewRequest");
        resolve(a.port, "ippPort");
        return all ? std::optional<CupsApi>(a) : std::nullopt;
    }();
    return api ? &*api : nullptr;
}

// A connection to the print server of the program's own, on which every
// wait gives up once `budget` has run out: libcups's default connection has
// no such bound, and a server that takes the connection and never answers
// would hold the window.
class Connection {
public:
    Connection(const CupsApi& cups, std::chrono::milliseconds budget) : cups_(cups), deadline_(Clock::now() + budget) {
        const char* server = cups.server();  // first: it also settles the port
        http_ = cups.connect2(server, cups.port(), nullptr, AF_UNSPEC, cups.encryption(), 1,
                              static_cast<int>(budget.count()), nullptr);
        if (http_)
            cups.setTimeout(http_, WaitSliceSeconds, &Connection::KeepWaiting, this);
        else
            timedOut_ = Clock::now() >= deadline_;
    }
    ~Connection() {
        if (http_) cups_.close(http_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Null where the server could not be reached. Never passed on null:
    // libcups would take that for its default connection.
    http_t* get() const { return http_; }
    // Whether the server let the budget run out. libcups's own words then
    // are those of the step it was in ("No default destination."), so the
    // time-out is told in the system's.
    bool timedOut() const { return timedOut_; }
    static std::string TimeOutWords() { return std::strerror(ETIMEDOUT); }

private:
    static int KeepWaiting(http_t*, void* self) {
        auto* connection = static_cast<Connection*>(self);
        connection->timedOut_ = Clock::now() >= connection->deadline_;
        return connection->timedOut_ ? 0 : 1;
    }

    const CupsApi& cups_;
    const Clock::time_point deadline_;
    http_t* http_ = nullptr;
    bool timedOut_ = false;
};

// Records why a step failed; a server that did not answer in time counts as
// none at all.
void Failed(PrintOutcome& outcome, const Connection& server, PrintFault fault, std::string detail) {
    if (server.timedOut()) {
        outcome.fault = PrintFault::NoPrinter;
        outcome.detail = Connection::TimeOutWords();
    } else {
        outcome.fault = fault;
        outcome.detail = std::move(detail);
    }
}

// Sends `request` asking for the `wanted` attributes only; the response, or
// null, for ippDelete.
template <std::size_t N>
ipp_t* Ask(const CupsApi& cups, const Connection& server, ipp_t* request, const char* const (&wanted)[N]) {
    cups.addStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", static_cast<int>(N), nullptr,
                    wanted);
    return cups.doRequest(server.get(), request, "/");
}

// Why the server has no default printer: it has none at all, or it has
// printers but none is the default.
void NoDefault(const CupsApi& cups, const Connection& server, PrintOutcome& outcome) {
    ipp_t* request = cups.newRequest(IPP_OP_CUPS_GET_PRINTERS);
    cups.addInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "limit", 1);
    static const char* const wanted[] = {"printer-name"};
    ipp_t* response = Ask(cups, server, request, wanted);
    const bool any = cups.findAttribute(response, "printer-name", IPP_TAG_NAME) != nullptr;
    cups.deleteIpp(response);
    if (any) return Failed(outcome, server, PrintFault::NoDefaultPrinter, {});
    // "No destinations added." only says again what the message says.
    const ipp_status_t status = cups.lastError();
    Failed(outcome, server, PrintFault::NoPrinter,
           status <= IPP_STATUS_OK_EVENTS_COMPLETE || status == IPP_STATUS_ERROR_NOT_FOUND ? std::string()
                                                                                          : cups.lastErrorString());
}

// What keeps the printer from taking a page now, as its server said.
PrintFault StateFault(const CupsApi& cups, const cups_dest_t& dest) {
    const QByteArray accepting = cups.getOption("printer-is-accepting-jobs", dest.num_options, dest.options);
    const QByteArray state = cups.getOption("printer-state", dest.num_options, dest.options);
    if (accepting == "false") return PrintFault::NotAccepting;
    // A stopped printer would keep the page until someone starts it again.
    if (state.toInt() == IPP_PSTATE_STOPPED) return PrintFault::Stopped;
    return PrintFault::None;
}

// The sheet the printer prints on by default: the one chosen for it in the
// user's options, else the printer's own default. (cupsGetDestMediaDefault
// alone looks only at the former: it gives US Letter for an A4 printer.)
std::optional<PrinterMedium> MediumOf(const CupsApi& cups, const Connection& server, cups_dest_t* dest) {
    cups_dinfo_t* info = cups.copyDestInfo(server.get(), dest);
    if (!info) return std::nullopt;
    const char* media = cups.getOption("media", dest->num_options, dest->options);
    if (!media) media = cups.getString(cups.findDestDefault(server.get(), dest, info, "media"), 0, nullptr);
    cups_size_t size{};
    const bool found = (media && cups.getDestMediaByName(server.get(), dest, info, media, CUPS_MEDIA_FLAGS_DEFAULT,
                                                         &size)) ||
                       (!server.timedOut() &&
                        cups.getDestMediaDefault(server.get(), dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size));
    cups.freeDestInfo(info);
    if (!found || size.width <= 0 || size.length <= 0) return std::nullopt;
    return PrinterMedium{size.width, size.length, size.left, size.top, size.right, size.bottom};
}

// A job the printer took: its number and the printer's queue.
struct Job {
    int id = 0;
    QByteArray queue;
};

// Hands the page to the default printer. The job, or none with the reason
// in `outcome`.
Job HandOver(const CupsApi& cups, const Connection& server, const QPixmap& image, const QString& title,
             PrintOutcome& outcome) {
    if (!server.get()) {
        Failed(outcome, server, PrintFault::NoPrinter, {});
        return {};
    }
    cups_dest_t* dest = cups.getNamedDest(server.get(), nullptr, nullptr);
    if (!dest) {
        if (server.timedOut())
            Failed(outcome, server, PrintFault::NoPrinter, {});
        else
            NoDefault(cups, server, outcome);
        return {};
    }
    Job job{0, dest->name};
    outcome.printer = dest->instance ? job.queue.toStdString() + '/' + dest->instance : job.queue.toStdString();
    const PrintFault state = StateFault(cups, *dest);
    const std::optional<PrinterMedium> medium =
        state == PrintFault::None ? MediumOf(cups, server, dest) : std::nullopt;
    cups.freeDests(1, dest);
    if (state != PrintFault::None) {
        outcome.fault = state;
        return {};
    }
    if (!medium) {
        Failed(outcome, server, PrintFault::PageNotMade, cups.lastErrorString());
        return {};
    }

    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/kavrel-XXXXXX.pdf"));
    bool made = file.open();
    if (made) {
        QPdfWriter pdf(&file);
        pdf.setPageLayout(PageFor(*medium));
        pdf.setTitle(title);
        pdf.setCreator(title);
        made = PaintAtNaturalSize(pdf, image);
    }
    if (!made || !file.flush()) {
        outcome.fault = PrintFault::PageNotMade;
        outcome.detail = file.errorString().toStdString();
        return {};
    }
    job.id = cups.printFile2(server.get(), job.queue.constData(), QFile::encodeName(file.fileName()).constData(),
                             title.toUtf8().constData(), 0, nullptr);
    if (job.id == 0) Failed(outcome, server, PrintFault::NotTaken, cups.lastErrorString());
    return job;
}

// Where a job is, as the server says; state 0 where it does not say.
struct JobState {
    int state = 0;
    bool cancelledByUser = false;
    std::string said;  // the printer's last words on it
};

JobState StateOf(const CupsApi& cups, const Connection& server, int job) {
    if (!server.get()) return {};
    ipp_t* request = cups.newRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = "ipp://localhost/jobs/" + QByteArray::number(job);
    cups.addString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    cups.addString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cups.user());
    static const char* const wanted[] = {"job-state", "job-state-reasons", "job-printer-state-message"};
    ipp_t* response = Ask(cups, server, request, wanted);
    JobState found;
    found.state = cups.getInteger(cups.findAttribute(response, "job-state", IPP_TAG_ENUM), 0);
    ipp_attribute_t* reasons = cups.findAttribute(response, "job-state-reasons", IPP_TAG_KEYWORD);
    found.cancelledByUser = cups.containsString(reasons, "job-canceled-by-user") != 0;
    const char* said = cups.getString(cups.findAttribute(response, "job-printer-state-message", IPP_TAG_TEXT), 0,
                                      nullptr);
    found.said = said ? said : "";
    cups.deleteIpp(response);
    return found;
}

// The printer's state, 0 where the server does not say. Asked by URI:
// cupsGetNamedDest would look for a printer that has gone on the default
// connection and on the network.
int PrinterState(const CupsApi& cups, const Connection& server, const QByteArray& queue) {
    if (!server.get()) return 0;
    ipp_t* request = cups.newRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    const QByteArray uri = "ipp://localhost/printers/" + queue.toPercentEncoding();
    cups.addString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    static const char* const wanted[] = {"printer-state"};
    ipp_t* response = Ask(cups, server, request, wanted);
    const int state = cups.getInteger(cups.findAttribute(response, "printer-state", IPP_TAG_ENUM), 0);
    cups.deleteIpp(response);
    return state;
}

// Follows a job the printer took until the printer has done with it, or for
// a bounded time, and tells the outcome once. A child of the window: gone
// with it, and then tells nothing.
class Follower final : public QObject {
public:
    Follower(const CupsApi& cups, Job job, PrintOutcome taken, QObject* owner, Done done)
        : QObject(owner),
          cups_(cups),
          job_(std::move(job)),
          outcome_(std::move(taken)),
          done_(std::move(done)),
          until_(Clock::now() + std::chrono::seconds(Seconds())) {
        connect(&timer_, &QTimer::timeout, this, &Follower::Poll);
        timer_.start(FollowIntervalMs);
    }

private:
    static int Seconds() {
        bool set = false;
        const int seconds = qEnvironmentVariableIntValue("KAVREL_PRINT_FOLLOW_SECONDS", &set);
        return set && seconds > 0 ? seconds : FollowSeconds;
    }

    void Poll() {
        Connection server(cups_, PollBudget);
        const JobState job = StateOf(cups_, server, job_.id);
        if (job.state == IPP_JSTATE_ABORTED || (job.state == IPP_JSTATE_CANCELED && !job.cancelledByUser)) {
            Finish(PrintFault::NotPrinted, job.said);
        } else if (job.state >= IPP_JSTATE_PENDING && job.state < IPP_JSTATE_CANCELED) {
            if (PrinterState(cups_, server, job_.queue) == IPP_PSTATE_STOPPED) {
                // Withdrawn, so that a page reported as not printed never
                // comes out when the printer is started again.
                cups_.cancelJob2(server.get(), job_.queue.constData(), job_.id, 0);
                Finish(PrintFault::Stopped, {});
            } else if (Clock::now() >= until_) {
                // Still waiting, held or printing: the print system has the
                // page and finishes it without us, as after any other print.
                Finish(PrintFault::None, {});
            }
        } else {
            // Printed, cancelled by the user, or out of sight (the server is
            // gone or does not answer): nothing more to follow.
            Finish(PrintFault::None, {});
        }
    }

    void Finish(PrintFault fault, std::string detail) {
        timer_.stop();
        outcome_.fault = fault;
        outcome_.detail = std::move(detail);
        const Done done = std::move(done_);
        deleteLater();
        done(outcome_);
    }

    const CupsApi& cups_;
    const Job job_;
    PrintOutcome outcome_;
    Done done_;
    const Clock::time_point until_;
    QTimer timer_;
};
#endif

}  // namespace

QPageLayout PageFor(const PrinterMedium& medium) {
    const auto points = [](int hundredths) { return hundredths * PointsPerInch / HundredthsOfMmPerInch; };
    // A sheet within a few points of a standard size is that size, so the
    // PDF file names it as the printer does.
    const QPageSize size(QSizeF(medium.width / 100.0, medium.length / 100.0), QPageSize::Millimeter, QString(),
                         QPageSize::FuzzyMatch);
    return WithMargin(size, QMarginsF(points(medium.left), points(medium.top), points(medium.right),
                                      points(medium.bottom)));
}

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

void PrintImage(const QPixmap& image, const QString& title, [[maybe_unused]] QObject* owner, Done done) {
#ifdef KAVREL_HAVE_CUPS
    if (const CupsApi* cups = Cups()) {
        PrintOutcome outcome;
        Job job;
        {
            Connection server(*cups, SendBudget);
            job = HandOver(*cups, server, image, title, outcome);
        }
        if (job.id != 0)
            new Follower(*cups, std::move(job), std::move(outcome), owner, std::move(done));
        else
            done(outcome);
        return;
    }
#endif
    done(PrintThroughQt(image, title));
}

}  // namespace kavrel
