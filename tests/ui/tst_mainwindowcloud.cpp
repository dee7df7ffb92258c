// The real main window scanning to the cloud against the fake Dropbox
// service and the simulated scanner. The sign-in runs in a real browser
// engine: the authorization page, its Allow and Cancel buttons, the redirect
// to the loopback listener and the script of its page. Then the folder tree,
// a new folder, feeder scans uploaded while they run, and the retry, skip,
// cancel and failure paths, each checked for pages lost.
#include "modaldriver.h"
#include "cloud/cloudtestenv.h"
#include "fakes/fakedropbox.h"
#include "scan/simdevice.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "cloud/cloudfolderdialog.h"
#include "cloud/foldernamedialog.h"
#include "cloud/uploadingdialog.h"
#include "scan/pmessage.h"
#include "scan/scanrequest.h"
#include "ui/mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFocusEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include <memory>

namespace {
QStringList g_log;

void captureLog(QtMsgType, const QMessageLogContext &, const QString &text)
{
    g_log << text;
}

template <class T>
T *child(QObject *window, const char *name)
{
    T *w = window->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

void click(QAbstractButton *button)
{
    QTimer::singleShot(0, button, [button] { button->click(); });
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList boxTexts(const ModalDriver &driver)
{
    QStringList texts;
    for (const ModalDriver::Seen &s : driver.seen)
        if (s.className == QLatin1String("QMessageBox"))
            texts << s.text;
    return texts;
}

// The user's browser: opens what the application hands the desktop, and on
// the service's authorization page presses the button it was told to.
class Browser : public QObject
{
    Q_OBJECT
public:
    Browser()
    {
        view.resize(800, 600);
        view.show();
        connect(&view, &QWebEngineView::loadFinished, this, &Browser::loaded);
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    }
    ~Browser() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    QWebEngineView view;
    QString button = QStringLiteral("allow");
    QString pageText; // of the last page loaded
    int opened = 0;

public slots:
    void open(const QUrl &url)
    {
        ++opened;
        view.load(url);
    }

private:
    void loaded(bool)
    {
        if (view.url().path() == QLatin1String("/oauth2/authorize")) {
            view.page()->runJavaScript(QStringLiteral("document.getElementById('%1').click()").arg(button));
            return;
        }
        view.page()->toPlainText([this](const QString &text) { pageText = text; });
    }
};
} // namespace

class TestMainWindowCloud : public QObject
{
    Q_OBJECT

private:
    SimDevice sim;
    std::unique_ptr<FakeDropbox> fake;
    std::unique_ptr<QTemporaryDir> out;
    std::unique_ptr<Browser> browser;
    quint16 redirectPort = 0;
    // Page file names and bytes as announced, in order. Names alone do not
    // tell pages apart: a name freed by an upload may be given again.
    QList<QPair<QString, QByteArray>> announced;

    QString settingsFile() const { return configFile().uiConfigFile(); }

    void configure(const QMap<QString, QString> &engineKeys)
    {
        sim.configure(engineKeys);
        // The stored scanner: the simulated USB machine with its feeder.
        QSettings s(settingsFile(), QSettings::IniFormat);
        s.setValue("Port/DeviceType", 0);
        s.setValue("Port/PaperSource", 134);
        s.setValue("Port/ProjectID", 3000);
        s.setValue("Port/Default", "simusb-0001");
        s.setValue("Cloud/CloudService", 4);
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

    // Login, as a user presses it; the browser and the wait dialog answer.
    void pressLogin(MainWindow *w, ModalDriver &driver)
    {
        driver.leaveAlone({"DropboxLoginDialog", "DownloadFolderDialog"});
        QTest::mouseClick(child<QPushButton>(w, "pushButtonCloudLogin"), Qt::LeftButton);
    }

    bool signIn(MainWindow *w)
    {
        ModalDriver driver;
        pressLogin(w, driver);
        return scanRequest().cloudSignedIn && driver.unexpected == 0;
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
        connect(w->messageHub(), &PMessage::finishedPage, this,
                [this](QString, QString file, int, bool) { announced.append({QFileInfo(file).fileName(), readAll(file)}); });
        QTest::mouseClick(child<QPushButton>(w, "pushButtonScan"), Qt::LeftButton);
    }

    QStringList localFiles(const QString &folder) const
    {
        return QDir(folder).entryList({"*.jpg", "*.part"}, QDir::Files | QDir::Hidden);
    }

    // Whether a page's bytes are in the chosen folder on the service.
    bool onService(int page) const
    {
        for (const QString &path : fake->filePaths())
            if (path.startsWith("/Scan/") && fake->file(path).data == announced.value(page).second)
                return true;
        return false;
    }

    // Every announced page is on the service or in the local folder, with
    // its bytes; gives how many are on the service.
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

private slots:
    void initTestCase()
    {
        qInstallMessageHandler(captureLog);
        qRegisterMetaType<QRect>();
        browser = std::make_unique<Browser>();
    }

    void init()
    {
        out = std::make_unique<QTemporaryDir>();
        announced.clear();
        fake = std::make_unique<FakeDropbox>();
        QVERIFY(fake->start());
        fake->addFolder("/Docs/Sub");
        redirectPort = freeLoopbackPort();
        fake->setRedirectUri(QStringLiteral("http://127.0.0.1:%1/cloud").arg(redirectPort));
        sim.cloudKeys = {{"DropboxWebHost", fake->webBase()},
                         {"DropboxApiHost", fake->apiBase()},
                         {"DropboxContentHost", fake->contentBase()},
                         {"RedirectPort", QString::number(redirectPort)}};
        QFile::remove(configFile().uiConfigFile());
        configure({{"PageTime", "5"}, {"Sheets", "3"}});
        browser->button = QStringLiteral("allow");
        browser->pageText.clear();
        browser->opened = 0;
        g_log.clear();
    }

    void cleanup()
    {
        // The token travels through the browser, the listener, the settings
        // file and every request, and never into a log line.
        for (const QString &line : qAsConst(g_log))
            QVERIFY2(!line.contains("fake-token"), qPrintable(line));
    }

    void signInSettlesTheFolder_data()
    {
        QTest::addColumn<bool>("scanExists");
        QTest::addColumn<QString>("storedName");
        QTest::addColumn<QString>("storedPath"); // of the stored identifier
        QTest::addColumn<QString>("shown");
        QTest::newRow("new account: Scan is made") << false << "" << "" << "/Scan";
        QTest::newRow("Scan is reused") << true << "" << "" << "/Scan";
        QTest::newRow("stored folder") << true << "Sub" << "/Docs/Sub" << "/Docs/Sub";
        QTest::newRow("stored folder gone") << false << "Old" << "/Old" << "/Scan";
    }

    void signInSettlesTheFolder()
    {
        QFETCH(bool, scanExists);
        QFETCH(QString, storedName);
        QFETCH(QString, storedPath);
        QFETCH(QString, shown);
        if (scanExists)
            fake->addFolder("/scan"); // any letter case
        if (!storedName.isEmpty()) {
            const QString id = storedPath == "/Old" ? "id:gone" : fake->folderId(storedPath);
            writeHexValue(settingsFile(), "dropbox/CloudFolder", storedName);
            writeHexValue(settingsFile(), "dropbox/CloudFolderId", id);
        }
        auto w = openWindow();
        QPushButton *scan = child<QPushButton>(w.get(), "pushButtonScan");
        QVERIFY(!scan->isEnabled());
        QVERIFY(signIn(w.get()));

        QCOMPARE(browser->opened, 1);
        QTRY_VERIFY(browser->pageText.contains("successfully obtained an Authorization Token"));
        QCOMPARE(browser->view.title(), QString("Lumerith V2"));
        QCOMPARE(readHexValue(settingsFile(), "dropbox/AccessToken"), QString("fake-token"));
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditCloudFolder")->text().toLower(), shown.toLower());
        QVERIFY(fake->hasFolder("/Scan"));
        bool created = false;
        for (const FakeDropbox::Request &r : fake->requests())
            created = created || r.path == "/2/files/create_folder_v2";
        QCOMPARE(created, !scanExists);
        QVERIFY(scan->isEnabled());
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonCloudLogin")->isEnabled());
        QVERIFY(!child<QComboBox>(w.get(), "comboBoxCloudService")->isEnabled());
        QVERIFY(child<QPushButton>(w.get(), "pushButtonCloudBrowse")->isEnabled());
        // The destination is stored by identifier.
        const QString id = readHexValue(settingsFile(), "dropbox/CloudFolderId");
        QCOMPARE(id, fake->folderId(shown));
        QCOMPARE(wideText(scanRequest().cloudFolderId), id);
    }

    void signInFailures_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message"); // empty: none
        QTest::newRow("Cancel") << "cancel" << "";
        QTest::newRow("refused in the browser") << "deny" << "User authentication failed.";
        QTest::newRow("redirect of another sign-in") << "state" << "User authentication failed.";
        QTest::newRow("redirect port taken") << "port" << "User authentication failed.";
        QTest::newRow("unreadable folder list") << "list" << "Refresh folder error.";
    }

    void signInFailures()
    {
        QFETCH(QString, how);
        QFETCH(QString, message);
        QTcpServer squatter;
        if (how == "port")
            QVERIFY(squatter.listen(QHostAddress::LocalHost, redirectPort));
        fake->setWrongState(how == "state");
        if (how == "list")
            fake->setCannedListAnswer("<html>maintenance</html>");
        if (how == "deny")
            browser->button = QStringLiteral("deny");
        if (how == "cancel")
            browser->button = QStringLiteral("none"); // the user never decides

        auto w = openWindow();
        ModalDriver driver;
        driver.leaveAlone({"DownloadFolderDialog"});
        if (how != "port") {
            driver.then([&](QWidget *dialog) {
                QCOMPARE(dialog->windowTitle(), QString("Login Dropbox Cloud"));
                if (how == "cancel")
                    click(child<QPushButton>(dialog, "pushButtonCancel"));
            });
        }
        if (!message.isEmpty())
            driver.answerBox(QMessageBox::AcceptRole);
        QTest::mouseClick(child<QPushButton>(w.get(), "pushButtonCloudLogin"), Qt::LeftButton);
        QTRY_VERIFY(driver.finished());

        QCOMPARE(boxTexts(driver), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(driver.unexpected, 0);
        QVERIFY(!scanRequest().cloudSignedIn);
        QVERIFY(child<QPushButton>(w.get(), "pushButtonCloudLogin")->isEnabled());
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonCloudLogout")->isEnabled());
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonScan")->isEnabled());
        // A taken port never sends the browser to whoever holds it.
        QCOMPARE(browser->opened, how == "port" ? 0 : 1);
        if (how == "deny" || how == "state")
            QTRY_VERIFY(browser->pageText.contains("failed to obtain an Authorization Token"));
    }

    void browseMakeAndChooseAFolder()
    {
        auto w = openWindow();
        QVERIFY(signIn(w.get()));
        QStringList tree;
        {
            ModalDriver driver;
            driver.leaveAlone({"DownloadFolderDialog"});
            driver.then([&](QWidget *d) {
                auto *items = child<QTreeWidget>(d, "treeWidgetCloudFolder");
                QTreeWidgetItem *root = items->topLevelItem(0);
                for (QTreeWidgetItemIterator it(items); *it; ++it)
                    tree << (*it)->text(0);
                QTreeWidgetItem *docs = root->child(0);
                items->setCurrentItem(docs);
                click(child<QPushButton>(d, "pushButtonMekeNewFolder"));
            });
            driver.then([&](QWidget *d) {
                QCOMPARE(d->metaObject()->className(), "FolderNameDialog");
                QTest::keyClicks(child<QLineEdit>(d, "lineEdit"), "New:One*"); // what a name cannot hold is refused
                click(child<QPushButton>(d, "pushButtonOK"));
            });
            driver.then([&](QWidget *d) {
                // Back in the browser: the new folder is in the tree and chosen.
                auto *items = child<QTreeWidget>(d, "treeWidgetCloudFolder");
                QCOMPARE(items->currentItem()->text(0), QString("NewOne"));
                click(child<QPushButton>(d, "pushButtonOK"));
            });
            QTest::mouseClick(child<QPushButton>(w.get(), "pushButtonCloudBrowse"), Qt::LeftButton);
            QTRY_VERIFY(driver.finished());
            QCOMPARE(driver.unexpected, 0);
        }
        QCOMPARE(tree, QStringList({"Dropbox", "Docs", "Sub", "Scan"}));
        QVERIFY(fake->hasFolder("/Docs/NewOne"));
        QLineEdit *shown = child<QLineEdit>(w.get(), "lineEditCloudFolder");
        QCOMPARE(shown->text(), QString("/Docs/NewOne"));
        QCOMPARE(readHexValue(settingsFile(), "dropbox/CloudFolder"), QString("NewOne"));

        // Out and in again: the folder field says "Scan" until the next
        // sign-in shows the chosen folder again.
        QTest::mouseClick(child<QPushButton>(w.get(), "pushButtonCloudLogout"), Qt::LeftButton);
        QCOMPARE(shown->text(), QString("Scan"));
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonScan")->isEnabled());
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonCloudBrowse")->isEnabled());
        QVERIFY(signIn(w.get()));
        QCOMPARE(shown->text(), QString("/Docs/NewOne"));
        QCOMPARE(browser->opened, 2);
    }

    void feederScanUploadsWhileScanning_data()
    {
        QTest::addColumn<bool>("localCopy");
        QTest::newRow("cloud only") << false;
        QTest::newRow("with a local copy") << true;
    }

    void feederScanUploadsWhileScanning()
    {
        QFETCH(bool, localCopy);
        configure({{"PageTime", "600"}, {"Sheets", "3"}});
        auto w = openWindow();
        QVERIFY(signIn(w.get()));
        QStringList texts;
        bool overlapped = false;
        connect(fake.get(), &FakeDropbox::requestFinished, this, [&](QString path, int status) {
            if (path.endsWith("/finish") && status == 200 && fake->filePaths().size() == 1)
                overlapped = w->runningJob() != nullptr;
        });
        connect(w->messageHub(), &PMessage::finishedPage, this, [&] {
            auto *dialog = w->findChild<UploadingDialog *>();
            if (dialog && texts.isEmpty()) {
                QCOMPARE(dialog->windowTitle(), QString("Lumerith V2"));
                QVERIFY(dialog->isVisible() && !dialog->isModal());
                QCOMPARE(child<QProgressBar>(dialog, "progressBarUploading")->maximum(), 0);
                connect(child<QTextEdit>(dialog, "textEditTransferInfo"), &QTextEdit::textChanged, this, [&texts, dialog] {
                    const QString text = child<QTextEdit>(dialog, "textEditTransferInfo")->toPlainText();
                    if (texts.isEmpty() || texts.last() != text)
                        texts << text;
                });
                texts << child<QTextEdit>(dialog, "textEditTransferInfo")->toPlainText();
            }
        });
        scanThreePages(w.get(), localCopy);
        QVERIFY(!child<QWidget>(w.get(), "centralWidget")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 60000);

        QVERIFY(overlapped); // the first page was up before the scan ended
        QCOMPARE(announced.size(), 3);
        QStringList lost;
        QCOMPARE(uploadedOrKept(lost), 3);
        QCOMPARE(lost, QStringList());
        QCOMPARE(texts.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(texts.at(i), QString("Upload image files to the cloud server. Transfer page %1\nFile name: %2")
                                      .arg(i + 1)
                                      .arg(announced.at(i).first));
        QCOMPARE(localFiles(out->path()).size(), localCopy ? 3 : 0);
        QCOMPARE(localFiles(configFile().configPath()), QStringList());
        QVERIFY(child<QPushButton>(w.get(), "pushButtonScan")->isEnabled());
    }

    void failedUploadsLoseNoPage_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<bool>("accountFull");
        QTest::addColumn<QStringList>("answers"); // to the retry questions
        QTest::addColumn<QString>("error");       // message box, empty: none
        QTest::addColumn<int>("uploaded");
        QTest::newRow("retried once") << 1 << false << QStringList{"yes"} << "" << 3;
        QTest::newRow("retry declined") << 1 << false << QStringList{"no"} << "" << 0;
        QTest::newRow("fourth failure in a row") << 4 << false << QStringList{"yes", "yes", "yes"}
                                                 << "Upload file error." << 0;
        QTest::newRow("account full") << 0 << true << QStringList{}
                                      << "Since the capacity of the cloud storage is not available, the operation is "
                                         "stopped. If you want to save the file to the local disk, please enable "
                                         "'Save to Local Disk' the next time you operate."
                                      << 0;
    }

    void failedUploadsLoseNoPage()
    {
        QFETCH(int, failures);
        QFETCH(bool, accountFull);
        QFETCH(QStringList, answers);
        QFETCH(QString, error);
        QFETCH(int, uploaded);
        configure({{"PageTime", "300"}, {"Sheets", "3"}});
        auto w = openWindow();
        QVERIFY(signIn(w.get()));
        fake->failNextCommits(failures);
        fake->setAccountFull(accountFull);

        ModalDriver driver;
        for (const QString &answer : answers)
            driver.answerBox(answer == "yes" ? QMessageBox::YesRole : QMessageBox::NoRole);
        if (!error.isEmpty())
            driver.answerBox(QMessageBox::AcceptRole);
        if (uploaded < 3)
            driver.answerBox(QMessageBox::AcceptRole); // the pages kept on this computer
        scanThreePages(w.get(), false);
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 60000);
        QCOMPARE(driver.unexpected, 0);

        const QStringList boxes = boxTexts(driver);
        QCOMPARE(boxes.size(), answers.size() + (error.isEmpty() ? 0 : 1) + (uploaded < 3 ? 1 : 0));
        for (int i = 0; i < answers.size(); ++i)
            QCOMPARE(boxes.at(i), QString("Uploading the image file failed, do you want to try uploading the file "
                                          "again?\nYes: Upload again\nNo: Cancel upload"));
        if (!error.isEmpty())
            QCOMPARE(boxes.at(answers.size()), error);
        QStringList lost;
        QCOMPARE(uploadedOrKept(lost), uploaded);
        QCOMPARE(lost, QStringList());
        QVERIFY(!announced.isEmpty());
        // Kept pages are named where they now are.
        const QStringList kept = localFiles(out->path());
        QCOMPARE(kept.size(), announced.size() - uploaded);
        for (const QString &name : kept)
            QVERIFY2(boxes.last().contains(QDir(out->path()).filePath(name)), qPrintable(boxes.last()));
        QCOMPARE(localFiles(configFile().configPath()), QStringList());
    }

    void missingPageFile_data()
    {
        QTest::addColumn<bool>("skip");
        QTest::newRow("skipped") << true;
        QTest::newRow("job cancelled") << false;
    }

    void missingPageFile()
    {
        QFETCH(bool, skip);
        auto w = openWindow();
        QVERIFY(signIn(w.get()));
        fake->setHoldUploads(true);
        scanThreePages(w.get(), false);
        // Page 1 waits at the service while the other two queue behind it.
        QTRY_VERIFY_WITH_TIMEOUT(announced.size() == 3 && fake->heldUploads() == 1 && !w->runningJob(), 30000);
        QVERIFY(!child<QWidget>(w.get(), "centralWidget")->isEnabled()); // until the uploads end
        const QString missing = announced.at(1).first;
        QVERIFY(QFile::remove(QDir(configFile().configPath()).filePath(missing)));

        ModalDriver driver;
        driver.answerBox(skip ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        fake->setHoldUploads(false);
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 30000);
        QCOMPARE(boxTexts(driver), QStringList{QString("The \"%1\" file does not exist, do you want to skip this "
                                                       "file?\nOK: Skip this file\nCancel: Cancel current job")
                                                   .arg(missing)});
        QCOMPARE(driver.unexpected, 0);
        QVERIFY(onService(0));
        // Skipping goes on with the next page; cancelling lets the queued page go.
        QCOMPARE(onService(2), skip);
        QCOMPARE(fake->filePaths().size(), skip ? 2 : 1);
        QCOMPARE(localFiles(configFile().configPath()), QStringList());
        QCOMPARE(localFiles(out->path()), QStringList());
    }

    void cancelMidUpload_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("localCopy");
        QTest::newRow("Cancel, cloud only") << "cancel" << false;
        QTest::newRow("Cancel, with a local copy") << "cancel" << true;
        QTest::newRow("closing the window") << "close" << true;
    }

    void cancelMidUpload()
    {
        QFETCH(QString, how);
        QFETCH(bool, localCopy);
        configure({{"PageTime", "1500"}, {"Sheets", "3"}});
        auto w = openWindow();
        QVERIFY(signIn(w.get()));
        fake->setHoldUploads(true);
        QSignalSpy ends(w->messageHub(), &PMessage::finishedUploadFiles);
        ModalDriver driver;
        scanThreePages(w.get(), localCopy);
        QTRY_VERIFY_WITH_TIMEOUT(fake->heldUploads() == 1, 30000);
        QVERIFY(w->runningJob());

        if (how == "close") {
            driver.answerBox(QMessageBox::YesRole);
            QVERIFY(!w->close());
            QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 30000);
        } else {
            QPushButton *cancel = child<QPushButton>(w->findChild<UploadingDialog *>(), "pushButtonCancel");
            QTest::mouseClick(cancel, Qt::LeftButton);
            QVERIFY(!cancel->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 30000);
        }
        QCOMPARE(ends.size(), 1);
        QCOMPARE(boxTexts(driver).size(), how == "close" ? 1 : 0); // only the close question
        fake->setHoldUploads(false);
        QCOMPARE(fake->filePaths(), QStringList());
        QVERIFY(announced.size() >= 1 && announced.size() < 3); // the scan stopped too
        // A local copy stays; pages only for the cloud go with the cancel.
        QCOMPARE(localFiles(out->path()).size(), localCopy ? announced.size() : 0);
        QCOMPARE(localFiles(configFile().configPath()), QStringList());
    }
};

int main(int argc, char **argv)
{
    // The browser engine shares its context and runs without a sandbox and
    // a GPU, as a test process on a machine without a display must.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QT_QUICK_BACKEND", "software");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestMainWindowCloud test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindowcloud.moc"
