#pragma once

// What the window tests against the fake cloud services share: the log they
// capture, a browser standing in for the user's, and a fixture that points
// the real main window at one fake service and the simulated scanner, signs
// in, scans feeder pages to the cloud and tells where every page went.
#include "fakeservices.h"
#include "modaldriver.h"
#include "testsupport.h"
#include "cloud/cloudtestenv.h"
#include "scan/simdevice.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "cloud/uploadingdialog.h"
#include "scan/pmessage.h"
#include "scan/scanrequest.h"
#include "ui/mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include <memory>

// The test's main: the browser engine shares its context and runs without a
// sandbox and a GPU, as a test process on a machine without a display must.
#define CLOUD_WINDOW_TEST_MAIN(TestObject)                                                                             \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");                                                                   \
        qputenv("QT_QUICK_BACKEND", "software");                                                                       \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                                    \
        QApplication app(argc, argv);                                                                                  \
        TestObject test;                                                                                               \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QStringList boxTexts(const ModalDriver &driver)
{
    QStringList texts;
    for (const ModalDriver::Seen &s : driver.seen)
        if (s.className == QLatin1String("QMessageBox"))
            texts << s.text;
    return texts;
}

// Presses a button of the page in a web view once the page has it.
inline QTimer *pressInPage(QWebEngineView *view, const QString &button)
{
    auto *poll = new QTimer(view);
    poll->setInterval(50);
    QObject::connect(poll, &QTimer::timeout, view, [view, button] {
        view->page()->runJavaScript(
            QStringLiteral("var b = document.getElementById('%1'); if (b && !window.pressed) { window.pressed = true; "
                           "b.click(); }")
                .arg(button));
    });
    poll->start();
    return poll;
}

// The user's web browser: opens what the application hands the desktop and
// presses the button it was told to on the service's pages.
class FakeBrowser : public QObject
{
    Q_OBJECT
public:
    FakeBrowser()
    {
        view.resize(800, 600);
        view.show();
        connect(&view, &QWebEngineView::loadFinished, this,
                [this] { view.page()->toPlainText([this](const QString &text) { pageText = text; }); });
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    }
    ~FakeBrowser() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    QWebEngineView view;
    QString button;
    QString pageText; // of the last page loaded
    int opened = 0;

public slots:
    void open(const QUrl &url)
    {
        ++opened;
        pageText.clear();
        delete presser; // of an earlier sign-in, told another button
        view.load(url);
        presser = pressInPage(&view, button);
    }

private:
    QPointer<QTimer> presser;
};

// The test classes derive from this; it holds no slots, so none of it runs
// as a test of its own.
class CloudWindowTest : public QObject
{
protected:
    SimDevice sim;
    std::unique_ptr<FakeService> service;
    std::unique_ptr<QTemporaryDir> out;
    std::unique_ptr<FakeBrowser> browser;
    QString signInButton; // what the user presses on the sign-in page
    quint16 redirectPort = 0;
    // Page file names and bytes as announced, in order. Names alone do not
    // tell pages apart: a name freed by an upload may be given again.
    QList<QPair<QString, QByteArray>> announced;
    QList<QByteArray> pagesBefore; // on the service when the row began
    QMetaObject::Connection pageWatch;

    QString settingsFile() const { return configFile().uiConfigFile(); }

    // The service of the data row, started with a "Docs" folder, and the
    // window's configuration pointing at it.
    void useService(int id, const QMap<QString, QString> &engineKeys = {{"PageTime", "5"}, {"Sheets", "3"}})
    {
        service = makeFakeService(id);
        redirectPort = freeLoopbackPort();
        QVERIFY(service->start(redirectPort));
        service->addFolder("Docs");
        sim.cloudKeys = service->cloudKeys();
        sim.cloudKeys.insert("RedirectPort", QString::number(redirectPort));
        sim.configure(engineKeys);
        QSettings s(settingsFile(), QSettings::IniFormat);
        // The stored scanner: the simulated USB machine with its feeder.
        s.setValue("Port/DeviceType", 0);
        s.setValue("Port/PaperSource", 134);
        s.setValue("Port/ProjectID", 3000);
        s.setValue("Port/Default", "simusb-0001");
        s.setValue("Cloud/CloudService", service->id());
        s.setValue("Cloud/ScanTo", out->path());
    }

    std::unique_ptr<MainWindow> openWindow()
    {
        auto w = std::make_unique<MainWindow>();
        w->show();
        child<QTabWidget>(w.get(), "tabWidgetSetting")->setCurrentIndex(2);
        // The feeder, chosen before anything watches the hub (a source
        // change connects the window's slots anew, after those watchers).
        child<QComboBox>(w.get(), "comboBoxGeneralPaperSource")->setCurrentIndex(1);
        return w;
    }

    // The sign-in dialog's part: the browser, or its own web view, answers.
    void answerSignIn(ModalDriver &driver)
    {
        driver.then([this](QWidget *dialog) {
            const QString title = dialog->windowTitle();
            auto *view = dialog->findChild<QWebEngineView *>();
            if (view && !service->usesSystemBrowser())
                pressInPage(view, signInButton);
            QPushButton *cancel = child<QPushButton>(dialog, "pushButtonCancel");
            if (signInButton == "cancel")
                click(cancel);
            if (signInButton == "deny" && view && !service->refusalEndsSignIn()) {
                // The failure page stays until the user gives up.
                auto *poll = new QTimer(view);
                connect(poll, &QTimer::timeout, cancel, [view, cancel] {
                    if (view->title() == QLatin1String("Lumerith V2"))
                        cancel->click();
                });
                poll->start(50);
            }
            // Last: a failed comparison must not leave the dialog waiting.
            QCOMPARE(title, service->loginTitle());
        });
    }

    bool signIn(MainWindow *w)
    {
        ModalDriver driver;
        driver.leaveAlone({"DownloadFolderDialog"});
        answerSignIn(driver);
        QTest::mouseClick(child<QPushButton>(w, "pushButtonCloudLogin"), Qt::LeftButton);
        return scanRequest().cloudSignedIn && driver.unexpected == 0 && driver.finished();
    }

    static bool idle(MainWindow *w)
    {
        return !w->runningJob() && !w->findChild<UploadingDialog *>()
               && child<QWidget>(w, "centralWidget")->isEnabled();
    }

    // Three feeder pages to the cloud; each page's bytes are kept as they
    // were announced, before any upload could remove the file.
    void scanThreePages(MainWindow *w, bool localCopy)
    {
        QCheckBox *keep = child<QCheckBox>(w, "checkBoxCloudStoredToLocal");
        if (keep->isChecked() != localCopy)
            QTest::mouseClick(keep, Qt::LeftButton);
        disconnect(pageWatch); // of an earlier scan in the same window
        pageWatch = connect(w->messageHub(), &PMessage::finishedPage, this, [this](QString, QString file, int, bool) {
            announced.append({QFileInfo(file).fileName(), readAll(file)});
        });
        QTest::mouseClick(child<QPushButton>(w, "pushButtonScan"), Qt::LeftButton);
    }

    QStringList localFiles(const QString &folder) const
    {
        return QDir(folder).entryList({"*.jpg", "*.part"}, QDir::Files | QDir::Hidden);
    }

    // On the service since the row began (the same page scanned again has the same bytes).
    bool onService(int page) const
    {
        QList<QByteArray> added = service->pagesIn("Scan");
        for (const QByteArray &before : pagesBefore)
            added.removeOne(before);
        return added.contains(announced.value(page).second);
    }

    // Every announced page is in the chosen folder on the service or in the
    // local folder, with its bytes; gives how many are on the service.
    int uploadedOrKept(QStringList &lost) const
    {
        QList<QByteArray> local;
        for (const QString &name : localFiles(out->path()))
            local << readAll(QDir(out->path()).filePath(name));
        int uploaded = 0;
        for (int page = 0; page < announced.size(); ++page) {
            if (onService(page))
                ++uploaded;
            else if (announced.at(page).second.isEmpty() || !local.contains(announced.at(page).second))
                lost << announced.at(page).first;
        }
        return uploaded;
    }

    void initCase()
    {
        qInstallMessageHandler(captureLog);
        qRegisterMetaType<QRect>();
        browser = std::make_unique<FakeBrowser>();
    }

    // A fresh scratch folder and settings file for the next case.
    void initRow()
    {
        out = std::make_unique<QTemporaryDir>();
        announced.clear();
        pagesBefore.clear();
        QFile::remove(configFile().uiConfigFile());
        signInButton = browser->button = QStringLiteral("allow");
        browser->opened = 0;
        g_log.clear();
    }

    // The token travels through the browser, the listener, the settings
    // file and every request, and never into a log line.
    void checkTokenNotLogged()
    {
        if (service && !service->token().isEmpty())
            for (const QString &line : qAsConst(g_log))
                QVERIFY2(!line.contains(service->token()), qPrintable(line));
    }

    static void addServiceColumn()
    {
        QTest::addColumn<int>("serviceId");
    }
    static QTestData &row(int id, const char *name)
    {
        return QTest::newRow(qPrintable(rowName(id) + ": " + name)) << id;
    }

};
