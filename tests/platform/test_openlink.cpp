// Opening a web address: on a real (virtual) display with a stand-in browser
// that records what it receives, and without a desktop at all.
#include "platform/openlink.h"
#include "platform/site.h"
#include "tests/ui/qt/browser_recorder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestOpenLink : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString recorder;

    QString At(const char* name) const { return dir.filePath(QLatin1String(name)); }

    // The stand-in browser writes its one argument to "address" and then
    // waits for "release", which the test makes only once OpenLink has
    // returned. Had OpenLink waited for the browser, the browser gives up
    // after ten seconds and leaves "held".
    void WriteRecorder() {
        recorder = At("browser.sh");
        QFile script(recorder);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\n"
                                    "printf '%s' \"$1\" > '%1/address.part' && mv '%1/address.part' '%1/address'\n"
                                    "i=0\n"
                                    "while [ ! -e '%1/release' ]; do\n"
                                    "  i=$((i + 1)); [ $i -gt 100 ] && { : > '%1/held'; exit 0; }\n"
                                    "  sleep 0.1\n"
                                    "done\n")
                         .arg(dir.path())
                         .toUtf8());
        script.close();
        QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    }

    void Clear() {
        for (const char* name : {"address", "release", "held"}) QFile::remove(At(name));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir.isValid());
        WriteRecorder();
        HandAddressesTo(recorder, dir.path());
    }

    void addressArrivesAsGiven_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("site") << QStringLiteral("http://") + QString::fromUtf8(kavrel::SiteHost.data(),
                                                                             static_cast<qsizetype>(kavrel::SiteHost.size()));
        QTest::newRow("example host") << QStringLiteral("http://kavrel.example.org");
        QTest::newRow("letter case, blank, escapes, quotes, non-ASCII")
            << QStringLiteral("http://Kavrel.Example.org/a b/%41?q=\"\u0416\u00e9\"#Top");
        QTest::newRow("blank at the end") << QStringLiteral("http://kavrel.example.org ");
        QTest::newRow("shell characters") << QStringLiteral("http://kavrel.example.org/$HOME;'x'`id`");
        QTest::newRow("no host") << QStringLiteral("http://");
    }

    void addressArrivesAsGiven() {
        QFETCH(QString, address);
        Clear();
        QLineEdit form;
        form.show();
        kavrel::OpenLink(&form, address);
        QFile release(At("release"));
        QVERIFY(release.open(QIODevice::WriteOnly));
        release.close();

        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(At("address")), 10000);
        QCOMPARE(QString::fromUtf8(ReadAll(At("address"))), address);
        QVERIFY2(!QFile::exists(At("held")), "OpenLink waited for the browser");
    }

    // A browser that does not exist: nothing in the program changes.
    void noBrowserChangesNothing() {
        qputenv("BROWSER", At("no-such-browser").toLocal8Bit());
        QLineEdit form;
        form.setText(QStringLiteral("15700940"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QWidgetList before = QApplication::topLevelWidgets();
        kavrel::OpenLink(&form, QStringLiteral("http://kavrel.example.org"));
        QTest::qWait(1000);
        QCOMPARE(QApplication::topLevelWidgets(), before);
        QVERIFY(form.isVisible());
        QCOMPARE(form.text(), QStringLiteral("15700940"));
        qputenv("BROWSER", recorder.toLocal8Bit());
    }

    // Without a desktop nothing is launched, not even the stand-in browser.
    void noDesktopOpensNothing() {
        Clear();
        QLineEdit form;
        kavrel::OpenLink(&form, QStringLiteral("http://kavrel.example.org"));
        kavrel::OpenLink(nullptr, QStringLiteral("http://kavrel.example.org"));
        QTest::qWait(1000);
        QVERIFY(!QFile::exists(At("address")));
    }
};

QTEST_MAIN(TestOpenLink)
#include "test_openlink.moc"
