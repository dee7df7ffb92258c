// A 20-page feeder job scanned to a fake cloud service the way the main
// window runs it: the scan job announces each page and the upload dialog
// uploads it while the scan goes on. Timed next to the same scan alone (to
// a local folder) and the same 20 pages uploaded alone, in one run, for each
// service. The services run apart from the client (Dropbox, Google Drive and
// OneDrive as processes of their own, Evernote on a thread of its own), so
// only this side is measured. Goal: the whole job takes at most 1.15 times
// the longer of the two.
// Run: build/bin/bench_cloud_job [runs] [page ms] [dropbox,googledrive,onedrive,evernote]
#include "app/configfile.h"
#include "app/globals.h"
#include "app/logger.h"
#include "cloud/cloudservice.h"
#include "cloud/evernote/evernoteauthorization.h"
#include "cloud/oauthsignin.h"
#include "cloud/uploadingdialog.h"
#include "fakes/fakeevernote.h"
#include "ptessark.h"
#include "scan/devicelists.h"
#include "scan/pmessage.h"
#include "scan/scanningthread.h"
#include "scan/scanrequest.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

namespace {
constexpr int kPages = 20;
constexpr int kDpi = 300;
constexpr int kWidth = 2550; // Letter at 300 dpi
constexpr int kHeight = 3300;
constexpr double kGoal = 1.15;
const char kToken[] = "fake-token";

QByteArray md5Hex(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
}

QByteArray md5Of(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? md5Hex(f.readAll()) : QByteArray();
}

// One fake service: started apart from the client, signed in, and asked
// what it stored.
class Service
{
public:
    virtual ~Service() = default;
    virtual int id() const = 0;
    virtual bool start() = 0;
    virtual QByteArray cloudKeys() const = 0; // lines of the "[CLOUD]" section
    virtual void signIn() = 0;
    // The destination of each phase, in the form the service's uploader takes.
    virtual QString folder(bool bWholeJob) const = 0;
    // The MD5 sums (hex) of the files stored since the last call, waiting
    // up to a few seconds for `count` of them.
    virtual QList<QByteArray> takeStored(int count) = 0;
};

// A fake service process that reports each stored file as "<word> <size> <md5>".
class ProcessService : public Service
{
public:
    ProcessService(int nId, QString program, QStringList arguments, QByteArray word)
        : nId(nId)
        , program(std::move(program))
        , arguments(std::move(arguments))
        , word(std::move(word))
    {
    }
    ~ProcessService() override
    {
        process.closeWriteChannel();
        process.waitForFinished(5000);
    }
    int id() const override { return nId; }
    bool start() override
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        if (!process.waitForStarted() || !process.waitForReadyRead(10000))
            return false;
        const QList<QByteArray> words = process.readLine().trimmed().split(' ');
        first = QString::fromLatin1(words.value(1));
        second = QString::fromLatin1(words.value(3));
        return !second.isEmpty();
    }
    QList<QByteArray> takeStored(int count) override
    {
        QElapsedTimer waited;
        waited.start();
        while (stored.size() < count && waited.elapsed() < 5000) {
            if (!process.canReadLine())
                process.waitForReadyRead(100);
            while (process.canReadLine()) {
                const QList<QByteArray> words = process.readLine().trimmed().split(' ');
                if (words.value(0) == word)
                    stored << words.value(2);
            }
        }
        QList<QByteArray> out;
        out.swap(stored);
        return out;
    }

protected:
    int nId;
    QString program;
    QStringList arguments;
    QByteArray word;
    QProcess process;
    QString first, second; // the two addresses it printed
    QList<QByteArray> stored;
};

class DropboxService : public ProcessService
{
public:
    DropboxService()
        : ProcessService(CloudDropbox, QStringLiteral(FAKEDROPBOXD_PATH), {"--token", kToken}, "committed")
    {
    }
    bool start() override
    {
        if (!ProcessService::start())
            return false;
        // The daemon prints ports; the client wants addresses.
        first = "http://127.0.0.1:" + first;
        second = "http://127.0.0.1:" + second;
        return true;
    }
    QByteArray cloudKeys() const override
    {
        return "DropboxApiHost=" + first.toUtf8() + "\nDropboxContentHost=" + second.toUtf8() + "\n";
    }
    void signIn() override
    {
        writeHexValue(configFile().uiConfigFile(), QStringLiteral("dropbox/AccessToken"), QString::fromLatin1(kToken));
    }
    QString folder(bool bWholeJob) const override { return bWholeJob ? QStringLiteral("/Job") : QStringLiteral("/Alone"); }
};

class OAuthDriveService : public ProcessService
{
public:
    explicit OAuthDriveService(int nId)
        : ProcessService(nId, QStringLiteral(FAKECLOUDD_PATH),
                         {nId == CloudGoogleDrive ? "google" : "graph", "--token", kToken}, "stored")
    {
    }
    QByteArray cloudKeys() const override
    {
        if (nId == CloudGoogleDrive)
            return "GoogleAccountsHost=" + first.toUtf8() + "\nGoogleApiHost=" + second.toUtf8() + "\n";
        return "MicrosoftLoginHost=" + first.toUtf8() + "\nMicrosoftGraphHost=" + second.toUtf8() + "\n";
    }
    void signIn() override
    {
        OAuthTokens tokens(nId);
        tokens.saveAccessToken(QString::fromLatin1(kToken));
        tokens.storeRefreshToken(QStringLiteral("fake-refresh"));
        tokens.saveExpiresIn(OAuthTokens::now() + 3600);
    }
    QString folder(bool) const override { return nId == CloudGoogleDrive ? QStringLiteral("root") : QStringLiteral("/"); }
};

// The Evernote fake on a thread of its own.
class EvernoteService : public Service
{
public:
    ~EvernoteService() override
    {
        if (anchor)
            QMetaObject::invokeMethod(anchor, [this] { delete fake; }, Qt::BlockingQueuedConnection);
        delete anchor;
        thread.quit();
        thread.wait();
    }
    int id() const override { return CloudEvernote; }
    bool start() override
    {
        thread.start();
        anchor = new QObject;
        anchor->moveToThread(&thread);
        bool ok = false;
        QMetaObject::invokeMethod(anchor, [&] {
            fake = new FakeEvernote;
            fake->setNoteSizeLimit(100 * 1024 * 1024);
            fake->setMonthlyQuota(qint64(100) * 1024 * 1024 * 1024);
            ok = fake->start();
            guid = QString::fromStdString(fake->addNotebook(QStringLiteral("Bench")).guid);
            base = fake->base();
            token = fake->accessToken();
            noteStore = fake->noteStoreUrl();
            expiresMs = fake->tokenExpiresMs();
        }, Qt::BlockingQueuedConnection);
        return ok;
    }
    QByteArray cloudKeys() const override { return "EvernoteHost=" + base.toUtf8() + "\n"; }
    void signIn() override
    {
        EvernoteAuthorization auth;
        auth.saveAccessToken(token);
        auth.saveNoteStoreUrl(noteStore);
        auth.saveExpiresIn(expiresMs / 1000);
    }
    QString folder(bool) const override { return guid; }
    QList<QByteArray> takeStored(int) override
    {
        QList<QByteArray> sums;
        QMetaObject::invokeMethod(anchor, [&] {
            const QList<edam::Note> notes = fake->notes();
            for (int i = taken; i < notes.size(); ++i)
                if (!notes.at(i).resources.empty())
                    sums << md5Hex(QByteArray::fromStdString(notes.at(i).resources.front().data.body));
            taken = notes.size();
        }, Qt::BlockingQueuedConnection);
        return sums;
    }

private:
    QThread thread;
    QObject *anchor = nullptr;
    FakeEvernote *fake = nullptr;
    QString guid, base, token, noteStore;
    qint64 expiresMs = 0;
    int taken = 0;
};

std::unique_ptr<Service> makeService(const QString &name)
{
    if (name == QLatin1String("dropbox"))
        return std::make_unique<DropboxService>();
    if (name == QLatin1String("googledrive"))
        return std::make_unique<OAuthDriveService>(CloudGoogleDrive);
    if (name == QLatin1String("onedrive"))
        return std::make_unique<OAuthDriveService>(CloudOneDrive);
    if (name == QLatin1String("evernote"))
        return std::make_unique<EvernoteService>();
    return nullptr;
}

ScanRequest feederRequest(const QString &folder, int nCloudService, const QString &cloudFolder)
{
    ScanRequest r;
    std::memset(&r, 0, sizeof r);
    r.paperSource = 2;
    r.resolution = kDpi;
    r.paperSizeId = 4;
    r.feederAvailable = true;
    r.areaInches[AreaWidth] = 8.5;
    r.areaInches[AreaHeight] = 11.0;
    r.areaPixels[AreaWidth] = kWidth;
    r.areaPixels[AreaHeight] = kHeight;
    r.localImageType = ImageJPEG;
    r.cloudImageType = ImageJPEG;
    r.cloudService = nCloudService;
    r.storeToLocal = true;
    setWideText(r.localFolder, folder);
    setWideText(r.localFilePrefix, QStringLiteral("Scan"));
    setWideText(r.cloudLocalFolder, folder);
    setWideText(r.cloudFilePrefix, QStringLiteral("Scan"));
    setWideText(r.cloudFolderId, cloudFolder);
    return r;
}

QStringList pageFiles(const QString &folder)
{
    QStringList paths;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({"*.jpg"}, QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

void emptyFolder(const QString &folder)
{
    for (const QString &path : pageFiles(folder))
        QFile::remove(path);
}

// Whether every page file arrived with its bytes, and nothing else did.
bool allStored(Service &service, const QStringList &paths)
{
    const QList<QByteArray> stored = service.takeStored(paths.size());
    QSet<QByteArray> sums;
    for (const QByteArray &sum : stored)
        sums.insert(sum);
    for (const QString &path : paths)
        if (!sums.contains(md5Of(path)))
            return false;
    return stored.size() == paths.size();
}

// The scan alone: the job to a local folder.
double scanMs(PMessage &hub, const QString &folder, int nCloudService)
{
    ScanningThread job(&hub);
    job.setRequest(feederRequest(folder, nCloudService, QString()), TargetLocal);
    QEventLoop loop;
    QObject::connect(&job, &QThread::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    job.start(QThread::HighPriority);
    loop.exec();
    return timer.nsecsElapsed() / 1e6;
}

// The uploads alone: the pages of a finished scan handed over at once.
double uploadMs(PMessage &hub, int nCloudService, const QString &cloudFolder, const QStringList &paths)
{
    UploadingDialog dialog(QStringLiteral("Lumerith V2"), &hub, nCloudService);
    QEventLoop loop;
    QObject::connect(&hub, &PMessage::finishedUploadFiles, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QElapsedTimer timer;
    timer.start();
    for (const QString &path : paths)
        dialog.addUploadFile(cloudFolder, path, ImageJPEG, false);
    dialog.finishedScanning(false);
    loop.exec();
    return timer.nsecsElapsed() / 1e6;
}

// The whole job, as the main window runs it: the upload dialog made by the
// first page, told when the scan has ended, done when the uploads are.
double wholeJobMs(PMessage &hub, const QString &folder, int nCloudService, const QString &cloudFolder)
{
    ScanningThread job(&hub);
    job.setRequest(feederRequest(folder, nCloudService, cloudFolder), TargetCloudAndLocal);
    std::unique_ptr<UploadingDialog> dialog;
    QEventLoop loop;
    QObject ctx;
    QObject::connect(&hub, &PMessage::finishedPage, &ctx, [&](QString id, QString path, int type, bool bDelete) {
        if (!dialog)
            dialog = std::make_unique<UploadingDialog>(QStringLiteral("Lumerith V2"), &hub, nCloudService);
        dialog->addUploadFile(id, path, type, bDelete);
    });
    QObject::connect(&job, &QThread::finished, &ctx, [&] {
        if (dialog)
            dialog->finishedScanning(job.isCancelled());
        else
            loop.quit();
    });
    QObject::connect(&hub, &PMessage::finishedUploadFiles, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QElapsedTimer timer;
    timer.start();
    job.start(QThread::HighPriority);
    loop.exec();
    return timer.nsecsElapsed() / 1e6;
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Logger::init(0, 0, false); // the diagnostic lines would only slow the job down
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const int pageMs = argc > 2 ? std::max(0, atoi(argv[2])) : 300;
    const QStringList names = QString::fromLocal8Bit(argc > 3 ? argv[3] : "dropbox,googledrive,onedrive,evernote")
                                  .split(',', Qt::SkipEmptyParts);

    std::vector<std::pair<QString, std::unique_ptr<Service>>> services;
    QByteArray cloud;
    for (const QString &name : names) {
        std::unique_ptr<Service> service = makeService(name);
        if (!service || !service->start()) {
            std::fprintf(stderr, "service %s did not start\n", qPrintable(name));
            return 2;
        }
        cloud += service->cloudKeys();
        services.emplace_back(name, std::move(service));
    }

    const QString appDir = dir.filePath("app");
    const QString scanDir = dir.filePath("scan");
    const QString jobDir = dir.filePath("job");
    for (const QString &d : {appDir, scanDir, jobDir})
        QDir().mkpath(d);
    QFile ini(QDir(appDir).filePath("MFPCFG.INI"));
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 2;
    ini.write("[MODULE_CONFIG]\nConfigPath=LumerithBench\n[INIFiles]\nUIConfig=ui.ini\n[ENGINE]\nBackend=simulator\n"
              "PageTime=" + QByteArray::number(pageMs) + "\nSheets=" + QByteArray::number(kPages) + "\n[CLOUD]\n" + cloud);
    ini.close();
    if (!configFile().init(appDir) || !tessark().initInterface(&configFile())) {
        std::fprintf(stderr, "cannot set up the simulated scanner\n");
        return 2;
    }
    deviceLists().setDevice(0, 134, 3000, "simusb-0001", "SimScan 3000");
    PMessage hub;
    int errors = 0;
    QObject::connect(&hub, &PMessage::postErrorCode, &hub, [&errors](int) { ++errors; }, Qt::DirectConnection);

    std::printf("%d feeder pages, %d x %d px, %d dpi, colour JPEG, page time %d ms, best of %d\n", kPages, kWidth,
                kHeight, kDpi, pageMs, runs);
    bool allMet = true;
    for (auto &entry : services) {
        Service &service = *entry.second;
        service.signIn();
        double scanBest = std::numeric_limits<double>::max();
        double uploadBest = scanBest;
        double wholeBest = scanBest;
        for (int i = 0; i < runs; ++i) {
            emptyFolder(scanDir);
            scanBest = std::min(scanBest, scanMs(hub, scanDir, service.id()));
            const QStringList scanned = pageFiles(scanDir);
            uploadBest = std::min(uploadBest, uploadMs(hub, service.id(), service.folder(false), scanned));
            if (errors || scanned.size() != kPages || !allStored(service, scanned)) {
                std::fprintf(stderr, "%s, uploads alone: %d pages, errors %d\n", qPrintable(entry.first),
                             int(scanned.size()), errors);
                return 1;
            }
            emptyFolder(jobDir);
            wholeBest = std::min(wholeBest, wholeJobMs(hub, jobDir, service.id(), service.folder(true)));
            const QStringList kept = pageFiles(jobDir);
            if (errors || kept.size() != kPages || !allStored(service, kept)) {
                std::fprintf(stderr, "%s, whole job: %d pages, errors %d\n", qPrintable(entry.first), int(kept.size()),
                             errors);
                return 1;
            }
        }
        const double ratio = wholeBest / std::max(scanBest, uploadBest);
        allMet = allMet && ratio <= kGoal;
        std::printf("%-12s scan alone %8.1f ms, uploads alone %8.1f ms, whole job %8.1f ms (one after the other: "
                    "%.1f ms): %.3f of the longer (goal <= %.2f: %s)\n",
                    qPrintable(cloudServiceName(service.id())), scanBest, uploadBest, wholeBest, scanBest + uploadBest,
                    ratio, kGoal, ratio <= kGoal ? "met" : "NOT met");
    }
    return 0;
}
