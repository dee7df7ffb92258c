// Not a test: shows the main window on a real display in the states a user
// meets (a preview with a crop, a page in progress, a wake-up, an error box,
// the feeder, and scanning to the fake Dropbox service: the sign-in in a
// browser, the folder dialogs, the upload dialog) and saves a screenshot of
// the screen for each, for a person to look at. Run under a display or
// xvfb-run:
//   xvfb-run -a -s "-screen 0 1280x800x24" build/bin/ui_screenshots <folder>
// Needs "import" from imagemagick.
#include "cloud/cloudtestenv.h"
#include "testsupport.h"
#include "fakes/fakedropbox.h"
#include "fakes/fakegraph.h"
#include "scan/simdevice.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "cloud/uploadingdialog.h"
#include "scan/progressdialog.h"
#include "scan/wakeupdialog.h"
#include "ui/mainwindow.h"
#include "ui/preview.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdio>
#include <functional>

namespace {
QString g_folder;

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool waitUntil(const std::function<bool()> &done, int ms = 60000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void shot(const QString &name)
{
    const QString path = QDir(g_folder).filePath(name + ".png");
    const int rc = QProcess::execute("import", {"-window", "root", path});
    std::printf("%s: %s\n", qPrintable(path), rc == 0 ? "saved" : "FAILED");
}

// Runs check every 50 ms inside whatever event loop is running (modal ones too).
void whenever(QObject *context, const std::function<bool()> &check)
{
    auto *timer = new QTimer(context);
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, context, [timer, check] {
        if (check()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

// The user's web browser, beside the window: on the service's authorization
// page it is photographed with the login dialog, then Allow is pressed.
class Browser : public QObject
{
    Q_OBJECT
public:
    Browser()
    {
        view.setGeometry(790, 0, 480, 560);
        connect(&view, &QWebEngineView::loadFinished, this, [this] {
            if (view.url().path() != QLatin1String("/oauth2/authorize"))
                return;
            settle(500);
            shot("cloud_login");
            view.page()->runJavaScript(QStringLiteral("document.getElementById('allow').click()"));
        });
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
    }

    QWebEngineView view;

public slots:
    void open(const QUrl &url)
    {
        view.show();
        view.load(url);
    }
};

void clickLater(QAbstractButton *button)
{
    QTimer::singleShot(0, button, [button] { button->click(); });
}

// 6. Scanning to the fake Dropbox service.
void cloudShots(MainWindow &w, SimDevice &sim, const QString &scans)
{
    FakeDropbox fake;
    if (!fake.start())
        return;
    fake.addFolder("/Documents/Invoices");
    fake.addFolder("/Photos");
    const quint16 port = freeLoopbackPort();
    fake.setRedirectUri(QStringLiteral("http://127.0.0.1:%1/cloud").arg(port));
    sim.cloudKeys = {{"DropboxWebHost", fake.webBase()},
                     {"DropboxApiHost", fake.apiBase()},
                     {"DropboxContentHost", fake.contentBase()},
                     {"RedirectPort", QString::number(port)}};
    sim.configure({{"PageTime", "2500"}, {"Sheets", "3"}});
    Browser browser;
    auto idle = [&w] {
        return !w.runningJob() && !w.findChild<UploadingDialog *>() && child<QWidget>(&w, "centralWidget")->isEnabled();
    };

    child<QTabWidget>(&w, "tabWidgetSetting")->setCurrentIndex(2);
    QComboBox *services = child<QComboBox>(&w, "comboBoxCloudService");
    services->setCurrentIndex(services->findData(4));
    child<QLineEdit>(&w, "lineEditCloudLocalFolder")->setText(scans);
    child<QPushButton>(&w, "pushButtonCloudLogin")->click(); // runs until signed in
    waitUntil([&browser] { return browser.view.title() == QLatin1String("Lumerith V2"); }, 20000);
    settle(500);
    shot("cloud_signed_in");
    browser.view.hide();

    // The folder tree, a new folder in it, and the wait while it is made.
    int step = 0;
    whenever(&w, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return false;
        const QString kind = QString::fromLatin1(modal->metaObject()->className());
        if (step == 0 && kind == QLatin1String("CloudFolderDialog")) {
            auto *tree = child<QTreeWidget>(modal, "treeWidgetCloudFolder");
            tree->expandAll();
            tree->setCurrentItem(tree->topLevelItem(0)->child(0));
            settle(300);
            shot("cloud_folders");
            clickLater(child<QPushButton>(modal, "pushButtonMekeNewFolder"));
            ++step;
        } else if (step == 1 && kind == QLatin1String("FolderNameDialog")) {
            child<QLineEdit>(modal, "lineEdit")->setText("Receipts");
            settle(300);
            shot("cloud_folder_name");
            fake.setHang(true); // the wait dialog stays up to be seen
            clickLater(child<QPushButton>(modal, "pushButtonOK"));
            ++step;
        } else if (step == 2 && kind == QLatin1String("DownloadFolderDialog")) {
            settle(300);
            shot("cloud_wait");
            fake.setHang(false);
            clickLater(child<QPushButton>(modal, "pushButtonCancel"));
            ++step;
        } else if (step == 3 && kind == QLatin1String("CloudFolderDialog")) {
            clickLater(child<QPushButton>(modal, "pushButtonOK"));
            return true;
        }
        return false;
    });
    child<QPushButton>(&w, "pushButtonCloudBrowse")->click();
    settle(300);
    shot("cloud_tab");

    // Three feeder pages: one upload held at the service while the next
    // page scans, then a failed commit and the question about it.
    child<QComboBox>(&w, "comboBoxGeneralPaperSource")->setCurrentIndex(1);
    fake.setHoldUploads(true);
    fake.failNextCommits(1);
    child<QPushButton>(&w, "pushButtonScan")->click();
    waitUntil([&] { return fake.heldUploads() == 1 && w.findChild<ProgressDialog *>(); });
    settle(700);
    shot("cloud_upload");
    whenever(&w, [] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return false;
        settle(300);
        shot("cloud_retry");
        box->buttons().value(0)->click(); // Yes
        return true;
    });
    fake.setHoldUploads(false);
    waitUntil(idle);
    settle(300);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));

    // 7. A sign-in in the dialog's own web view: OneDrive's sign-in form.
    FakeGraph graph;
    graph.oauth.bSignInForm = true;
    if (!graph.start())
        return;
    sim.cloudKeys = {{"MicrosoftLoginHost", graph.base("login")}, {"MicrosoftGraphHost", graph.base("graph")},
                     {"OneDriveClientId", graph.oauth.clientId}, {"OneDriveClientSecret", graph.oauth.clientSecret},
                     {"RedirectPort", QString::number(port)}};
    sim.configure({{"PageTime", "5"}});
    child<QPushButton>(&w, "pushButtonCloudLogout")->click();
    services->setCurrentIndex(services->findData(2));
    whenever(&w, [] {
        QWidget *modal = QApplication::activeModalWidget();
        auto *view = modal ? modal->findChild<QWebEngineView *>() : nullptr;
        if (!view || view->title() != QLatin1String("Sign in"))
            return false;
        settle(500);
        shot("cloud_login_webview");
        view->page()->runJavaScript(QStringLiteral("document.getElementById('allow').click()"));
        return true;
    });
    child<QPushButton>(&w, "pushButtonCloudLogin")->click();
    settle(300);
    shot("cloud_onedrive");
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
    qputenv("LC_ALL", "en_US.UTF-8");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QT_QUICK_BACKEND", "software");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(g_folder);

    SimDevice sim;
    {
        QSettings s(configFile().uiConfigFile(), QSettings::IniFormat);
        s.setValue("Port/DeviceType", 0);
        s.setValue("Port/PaperSource", 134);
        s.setValue("Port/ProjectID", 3000);
        s.setValue("Port/Default", "simusb-0001");
        s.setValue("Port/Alias", "USB");
        s.setValue("Port/Model", "SimScan 3000");
        s.setValue("CommonConfig/ScanTo", home.filePath("scans"));
    }
    QDir().mkpath(home.filePath("scans"));

    MainWindow w;
    w.move(0, 0);
    w.show();
    settle(500);
    auto idle = [&w] { return !w.runningJob() && child<QWidget>(&w, "centralWidget")->isEnabled(); };

    // 1. A preview of the glass, then a crop dragged over the text.
    sim.configure({{"PageTime", "400"}});
    child<QPushButton>(&w, "pushButtonPreview")->click();
    waitUntil(idle);
    Preview *preview = child<Preview>(&w, "widgetPreview");
    mouse(preview, QEvent::MouseButtonPress, QPoint(300, 470));
    mouse(preview, QEvent::MouseButtonRelease, QPoint(300, 470)); // a click resets to the whole glass
    const QRect whole = preview->cropRects().value(0);
    mouse(preview, QEvent::MouseButtonPress, whole.bottomRight());
    for (int i = 1; i <= 8; ++i)
        mouse(preview, QEvent::MouseMove, whole.bottomRight() + (QPoint(250, 300) - whole.bottomRight()) * i / 8);
    mouse(preview, QEvent::MouseButtonRelease, QPoint(250, 300));
    mouse(preview, QEvent::MouseButtonPress, QPoint(150, 150));
    for (int i = 1; i <= 8; ++i)
        mouse(preview, QEvent::MouseMove, QPoint(150, 150) + QPoint(30, 70) * i / 8);
    mouse(preview, QEvent::MouseButtonRelease, QPoint(180, 220));
    settle(700);
    shot("mainwindow");

    // 2. A page in progress.
    sim.configure({{"PageTime", "6000"}});
    child<QTabWidget>(&w, "tabWidgetSetting")->setCurrentIndex(1);
    settle(200);
    child<QPushButton>(&w, "pushButtonScan")->click();
    waitUntil([&w] {
        ProgressDialog *d = w.findChild<ProgressDialog *>();
        return d && d->isVisible() && child<QProgressBar>(d, "progressBarScanning")->value() >= 40;
    });
    settle(200);
    shot("progress");
    if (ProgressDialog *d = w.findChild<ProgressDialog *>())
        child<QPushButton>(d, "pushButtonCancel")->click();
    settle(100);
    shot("progress_cancelled");
    waitUntil(idle);

    // 3. A sleeping machine.
    sim.configure({{"PageTime", "5"}, {"WakeUpTime", "5000"}});
    whenever(&w, [] {
        auto *d = qobject_cast<WakeUpDialog *>(QApplication::activeModalWidget());
        if (!d || child<QProgressBar>(d, "progressBarWakeUp")->value() < 3)
            return false;
        settle(200);
        shot("wakeup");
        return true;
    });
    child<QPushButton>(&w, "pushButtonScan")->click();
    waitUntil(idle);

    // 4. An error box.
    sim.configure({{"PageTime", "5"}, {"JamAtOpen", "1"}});
    whenever(&w, [] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return false;
        settle(300);
        shot("error");
        box->buttons().value(0)->click();
        return true;
    });
    child<QPushButton>(&w, "pushButtonScan")->click();
    waitUntil(idle);
    settle(300);

    // 5. The feeder.
    sim.configure({{"PageTime", "5"}});
    child<QTabWidget>(&w, "tabWidgetSetting")->setCurrentIndex(0);
    child<QComboBox>(&w, "comboBoxGeneralPaperSource")->setCurrentIndex(1);
    settle(500);
    shot("feeder");
    child<QPushButton>(&w, "pushButtonGeneralDevices")->setFocus();

    cloudShots(w, sim, home.filePath("scans"));
    return 0;
}

#include "screenshots.moc"
