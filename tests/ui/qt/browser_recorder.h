// A stand-in browser that records the addresses a window opens, wherever
// the window hands them: to Qt's desktop services (no desktop, offscreen)
// or to xdg-open, which passes them to $BROWSER (an X display).
#pragma once

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

// xdg-open made to hand web addresses to `script` ($BROWSER): no desktop
// for it to recognise, whose own opener it would ask instead, and no
// installed application registered for web addresses (a browser installed
// for the page's tests, say), which it would ask first; `dataDir` stands
// for the folders where it looks for one.
inline void HandAddressesTo(const QString& script, const QString& dataDir) {
    for (const char* desktop : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                                "MATE_DESKTOP_SESSION_ID", "DESKTOP", "LXQT_SESSION_CONFIG"})
        qunsetenv(desktop);
    qputenv("BROWSER", script.toLocal8Bit());
    qputenv("XDG_DATA_DIRS", dataDir.toLocal8Bit());
}

class BrowserRecorder : public QObject {
    Q_OBJECT

public:
    BrowserRecorder() {
        const QString script = dir_.filePath(QStringLiteral("browser.sh"));
        QFile file(script);
        if (file.open(QIODevice::WriteOnly)) {
            // One address per record, NUL-terminated, exactly as received.
            file.write(QStringLiteral("#!/bin/sh\nprintf '%s\\0' \"$1\" >> '%1'\n").arg(log()).toUtf8());
            file.close();
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        hadDataDirs_ = qEnvironmentVariableIsSet("XDG_DATA_DIRS");
        dataDirs_ = qgetenv("XDG_DATA_DIRS");
        HandAddressesTo(script, dir_.path());
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
    }
    ~BrowserRecorder() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        qunsetenv("BROWSER");
        if (hadDataDirs_)
            qputenv("XDG_DATA_DIRS", dataDirs_);
        else
            qunsetenv("XDG_DATA_DIRS");
    }

    // The addresses opened so far, waiting up to a few seconds for `count`
    // of them to arrive (a browser started by xdg-open runs on its own).
    QStringList opened(qsizetype count) {
        // A short result is the answer; the caller compares it.
        static_cast<void>(QTest::qWaitFor([&] { return all().size() >= count; }, 5000));
        if (count == 0) QTest::qWait(300);  // room for a stray one to show up
        return all();
    }

public Q_SLOTS:
    void open(const QUrl& url) { direct_ << url.toString(); }

private:
    bool hadDataDirs_ = false;
    QByteArray dataDirs_;
    QString log() const { return dir_.filePath(QStringLiteral("opened")); }
    QStringList all() const {
        QStringList result = direct_;
        QFile file(log());
        if (file.open(QIODevice::ReadOnly)) {
            QList<QByteArray> records = file.readAll().split('\0');
            records.removeLast();  // after the last terminator
            for (const QByteArray& record : records) result << QString::fromUtf8(record);
        }
        return result;
    }

    QTemporaryDir dir_;
    QStringList direct_;
};
