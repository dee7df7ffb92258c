// Every fault of the simulated scanner and every network fault of the fake
// services, one row each per service, in a scan to the cloud through the
// real main window: the job ends with the code the rules give for it (its
// message, or the retry question for a failed upload, answered No), every
// page is on the service or in the local folder with all its bytes, and no
// temporary file is left. One window per service signs in once and serves
// all of that service's rows.
#include "cloudwindowtest.h"

#include "app/errormessage.h"
#include "cloud/requesttimeout.h"

#include <QTreeWidget>

#include <cstdio>

using Keys = QMap<QString, QString>;
Q_DECLARE_METATYPE(Keys)

namespace {
// The code each service's upload ends with, in the order Google Drive,
// OneDrive, Evernote, Dropbox. Evernote's note store answers everything
// with HTTP 200, so any other status is a failed exchange (-203) there.
struct NetworkFault
{
    const char *name;
    int codes[4];
};
const NetworkFault kNetworkFaults[] = {
    {"stall", {-212, -212, -212, -212}}, {"reset", {-210, -210, -203, -210}}, {"401", {-210, -210, -200, -200}},
    {"403", {-211, -210, -203, -210}},   {"409", {-210, -210, -203, -211}},   {"429", {-210, -210, -203, -210}},
    {"500", {-210, -210, -203, -210}},   {"507", {-210, -211, -203, -210}},   {"junk", {-210, -210, -210, -210}},
};

// Simulated scanner faults of a three-sheet feeder job: the code, and the
// pages scanned (and uploaded) before it.
struct DeviceFault
{
    const char *name;
    QMap<QString, QString> keys;
    int code;
    int pages;
};
const QList<DeviceFault> kDeviceFaults = {
    {"no fault", {}, 0, 3},
    {"empty feeder", {{"Sheets", "0"}}, -5, 0},
    {"status port fails", {{"StatusPortFail", "1"}}, -21, 0},
    {"busy at every try", {{"BusyAnswers", "10"}}, -22, 0},
    {"jam before the job", {{"JamAtOpen", "1"}}, -2, 0},
    {"jam at page 2", {{"JamAtPage", "2"}}, -2, 1},
    {"busy from page 2", {{"BusyAtPage", "2"}}, -22, 1},
    {"device status fails from page 3", {{"DeviceStatusFailAtPage", "3"}}, -31, 2},
    {"device status fails after one answer", {{"DeviceStatusFailAfter", "1"}}, -31, 1},
    {"time-out in page 2", {{"ErrorAtPage", "2"}}, -32, 1},
    {"low memory in page 1", {{"ErrorAtPage", "1"}, {"ErrorCode", "-41"}}, -41, 0},
    {"page limit at page 3", {{"ErrorAtPage", "3"}, {"ErrorCode", "-54"}}, -54, 2},
    {"wake-up reports an error", {{"WakeUpTime", "300"}, {"WakeUpErrorBits", "2"}}, -4, 0},
};

int serviceColumn(int id)
{
    return id == CloudGoogleDrive ? 0 : id == CloudOneDrive ? 1 : id == CloudEvernote ? 2 : 3;
}

QStringList treeTexts(QTreeWidget *tree)
{
    QStringList texts;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        texts << (*it)->text(0);
    return texts;
}
} // namespace

class TestCloudFaultSweep : public CloudWindowTest
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> window;
    int windowRow = 0;
    QMap<QString, QVariant> signedIn; // the service's stored sign-in, put back before each row

    // The window of the row's service, signed in, with empty folders.
    bool ready(int row)
    {
        if (window && windowRow == row) {
            {
                QSettings s(settingsFile(), QSettings::IniFormat);
                for (auto it = signedIn.cbegin(); it != signedIn.cend(); ++it)
                    s.setValue(it.key(), it.value()); // a refused token was cleared
            }
            // Pages of the last row (the settings file stays).
            for (const QString &folder : {out->path(), configFile().configPath()})
                for (const QString &name : localFiles(folder))
                    QFile::remove(QDir(folder).filePath(name));
            announced.clear();
            pagesBefore = service->pagesIn("Scan");
            return true;
        }
        window.reset();
        service.reset();
        initRow();
        useService(row);
        window = openWindow();
        if (!signIn(window.get()))
            return false;
        windowRow = row;
        QSettings stored(settingsFile(), QSettings::IniFormat);
        for (const QString &key : stored.allKeys())
            if (key.startsWith(cloudSettingsPrefix(service->id())))
                signedIn.insert(key, stored.value(key));
        return true;
    }

    // Temporary files of page writers and of uploads.
    QStringList leftovers() const
    {
        QStringList found;
        for (const QString &folder : {out->path(), configFile().configPath()})
            for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
                if (name.startsWith('.') || name.endsWith(".part") || name.endsWith(".tmp"))
                    found << name;
        return found;
    }

private slots:
    void initTestCase() { initCase(); }

    void cleanup()
    {
        checkTokenNotLogged();
        if (QTest::currentTestFailed() && qEnvironmentVariableIsSet("SWEEP_LOG"))
            for (const QString &line : qAsConst(g_log))
                std::fprintf(stderr, "%s\n", qPrintable(line));
        g_log.clear();
    }

    void cleanupTestCase()
    {
        window.reset();
        service.reset();
    }

    void scanToCloudUnderFault_data()
    {
        addServiceColumn();
        QTest::addColumn<Keys>("engineKeys");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("pages"); // scanned and uploaded; -1: the job stops when the upload fails
        for (int id : servicesUnderTest()) {
            for (const DeviceFault &f : kDeviceFaults)
                row(id, f.name) << f.keys << QString() << f.code << f.pages;
            for (const NetworkFault &f : kNetworkFaults)
                row(id, f.name) << Keys() << QString(f.name) << f.codes[serviceColumn(id)] << -1;
        }
    }

    void scanToCloudUnderFault()
    {
        QFETCH(int, serviceId);
        QFETCH(Keys, engineKeys);
        QFETCH(QString, fault);
        QFETCH(int, code);
        QFETCH(int, pages);
        QVERIFY(ready(serviceId));
        engineKeys.insert("PageTime", "5");
        if (!engineKeys.contains("Sheets"))
            engineKeys.insert("Sheets", "3");
        sim.configure(engineKeys);
        service->setFault(fault);
        ScopedCloudRequestTimeout timeout(fault == "stall" ? 1500 : kCloudRequestTimeoutMs);

        ModalDriver driver;
        driver.leaveAlone({"WakeUpDialog", "DownloadFolderDialog"});
        const bool network = !fault.isEmpty();
        if (code != 0)
            driver.answerBox(network && code == -210 ? QMessageBox::NoRole : QMessageBox::AcceptRole);
        if (network)
            driver.answerBox(QMessageBox::AcceptRole); // the pages kept on this computer
        scanThreePages(window.get(), false);
        QTRY_VERIFY_WITH_TIMEOUT(idle(window.get()), 60000);
        service->setFault(QString());

        const QStringList boxes = boxTexts(driver);
        QVERIFY2(driver.unexpected == 0, qPrintable(boxes.join(" | ")));
        QCOMPARE(boxes.size(), (code != 0 ? 1 : 0) + (network ? 1 : 0));
        if (code != 0 && !(network && code == -210))
            QCOMPARE(boxes.first(), errorText(code));
        QStringList lost;
        const int uploaded = uploadedOrKept(lost);
        QCOMPARE(lost, QStringList());
        if (pages >= 0) {
            QCOMPARE(announced.size(), pages);
            QCOMPARE(uploaded, pages);
        } else {
            QVERIFY(!announced.isEmpty());
            // Kept pages are named where they now are.
            const QStringList kept = localFiles(out->path());
            // (A page committed with an answer that said nothing is kept as well.)
            QVERIFY(kept.size() >= announced.size() - uploaded);
            for (const QString &name : kept)
                QVERIFY2(boxes.last().contains(QDir(out->path()).filePath(name)), qPrintable(boxes.last()));
        }
        QCOMPARE(leftovers(), QStringList());
        QCOMPARE(localFiles(configFile().configPath()), QStringList());
    }

    void endlessFolderListing_data()
    {
        addServiceColumn();
        QTest::addColumn<int>("code");
        for (int id : servicesUnderTest())
            row(id, "listing that never ends") << (id == CloudEvernote ? -203 : -206);
    }

    void endlessFolderListing()
    {
        // Refresh in the folder browser fails with its message and leaves the tree as it was.
        QFETCH(int, serviceId);
        QFETCH(int, code);
        QVERIFY(ready(serviceId));
        service->setFault("endless");
        QStringList before, after;
        ModalDriver driver;
        driver.leaveAlone({"DownloadFolderDialog"});
        driver.then([&](QWidget *d) {
            before = treeTexts(child<QTreeWidget>(d, "treeWidgetCloudFolder"));
            click(child<QPushButton>(d, "pushButtonCloudRefresh"));
        });
        driver.answerBox(QMessageBox::AcceptRole);
        driver.then([&](QWidget *d) {
            after = treeTexts(child<QTreeWidget>(d, "treeWidgetCloudFolder"));
            click(child<QPushButton>(d, "pushButtonCancel"));
        });
        QTest::mouseClick(child<QPushButton>(window.get(), "pushButtonCloudBrowse"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(driver.finished() && !QApplication::activeModalWidget(), 60000);
        service->setFault(QString());
        QCOMPARE(driver.unexpected, 0);
        QCOMPARE(boxTexts(driver), QStringList{errorText(code)});
        QVERIFY(before.contains("Docs"));
        QCOMPARE(after, before);
    }
};

CLOUD_WINDOW_TEST_MAIN(TestCloudFaultSweep)

#include "tst_cloudfaultsweep.moc"
