// The real main window scanning to the cloud against the fake services and
// the simulated scanner, every case once per service. The sign-ins run in a
// real browser engine: the user's browser for Dropbox (the authorization
// page, the redirect to the loopback listener and the script of its page),
// the dialog's own web view for the others (the service's sign-in form and
// the redirect it watches for). Then the folder tree, a new folder, feeder
// scans uploaded while they run, and the retry, skip, cancel and failure
// paths, each checked for pages lost.
#include "cloudwindowtest.h"

#include <QProgressBar>
#include <QTextEdit>
#include <QTreeWidget>

class TestMainWindowCloud : public CloudWindowTest
{
    Q_OBJECT

private slots:
    void initTestCase() { initCase(); }
    void init() { initRow(); }

    void cleanup()
    {
        checkTokenNotLogged();
        service.reset();
    }

    void signInSettlesTheFolder_data()
    {
        addServiceColumn();
        QTest::addColumn<bool>("scanExists");
        QTest::addColumn<QString>("stored"); // name of a stored folder; "Old" is gone
        QTest::addColumn<QString>("shown");
        for (int id : signInWays()) {
            row(id, "new account: Scan is made") << false << "" << "Scan";
            row(id, "Scan is reused") << true << "" << "Scan";
            row(id, "stored folder") << true << "Docs" << "Docs";
            row(id, "stored folder gone") << false << "Old" << "Scan";
        }
    }

    void signInSettlesTheFolder()
    {
        QFETCH(int, serviceId);
        QFETCH(bool, scanExists);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        useService(serviceId);
        if (scanExists)
            service->addFolder("Scan");
        if (!stored.isEmpty()) {
            writeHexValue(settingsFile(), cloudSettingsPrefix(service->id()) + "CloudFolder", stored);
            writeHexValue(settingsFile(), cloudSettingsPrefix(service->id()) + "CloudFolderId",
                          stored == "Old" ? QString("id:gone") : service->folderId(stored));
        }
        auto w = openWindow();
        QPushButton *scan = child<QPushButton>(w.get(), "pushButtonScan");
        QVERIFY(!scan->isEnabled());
        QVERIFY(signIn(w.get()));

        if (service->usesSystemBrowser()) {
            QCOMPARE(browser->opened, 1);
            QTRY_VERIFY_WITH_TIMEOUT(browser->pageText.contains("successfully obtained an Authorization Token"), 20000);
            QCOMPARE(browser->view.title(), QString("Lumerith V2"));
        }
        QCOMPARE(readHexValue(settingsFile(), cloudSettingsPrefix(service->id()) + "AccessToken"), service->token());
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditCloudFolder")->text().toLower(),
                 service->shownPath(shown).toLower());
        QVERIFY(!service->folderId("Scan").isEmpty());
        QCOMPARE(service->foldersMade(), scanExists ? 0 : 1);
        QVERIFY(scan->isEnabled());
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonCloudLogin")->isEnabled());
        QVERIFY(!child<QComboBox>(w.get(), "comboBoxCloudService")->isEnabled());
        QVERIFY(child<QPushButton>(w.get(), "pushButtonCloudBrowse")->isEnabled());
        // The destination is stored by identifier.
        const QString id = readHexValue(settingsFile(), cloudSettingsPrefix(service->id()) + "CloudFolderId");
        QCOMPARE(id, service->folderId(shown));
        QCOMPARE(wideText(scanRequest().cloudFolderId), id);
    }

    void signInFailures_data()
    {
        addServiceColumn();
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message"); // empty: none
        const QString refused = "User authentication failed.";
        for (int id : signInWays()) {
            row(id, "Cancel") << "cancel" << "";
            row(id, "refused on the service's page") << "deny" << (makeFakeService(id)->refusalEndsSignIn() ? refused : "");
            row(id, "redirect port taken") << "port" << refused;
            row(id, "unreadable folder list") << "list" << "";
        }
        row(CloudDropbox, "redirect of another sign-in") << "state" << refused;
    }

    void signInFailures()
    {
        QFETCH(int, serviceId);
        QFETCH(QString, how);
        QFETCH(QString, message);
        useService(serviceId);
        QTcpServer squatter;
        if (how == "port")
            QVERIFY(squatter.listen(QHostAddress::LocalHost, redirectPort));
        if (how == "state")
            static_cast<DropboxService *>(service.get())->fake.setWrongState(true);
        if (how == "list") {
            service->spoilFolderList();
            message = service->spoiledListMessage();
        }
        if (how == "deny" || how == "cancel") {
            signInButton = how;
            browser->button = how == "deny" ? how : QStringLiteral("none"); // the user never decides
        }

        auto w = openWindow();
        ModalDriver driver;
        driver.leaveAlone({"DownloadFolderDialog"});
        if (how != "port")
            answerSignIn(driver);
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
        if (!service->usesSystemBrowser())
            return;
        // A taken port never sends the browser to whoever holds it.
        QCOMPARE(browser->opened, how == "port" ? 0 : 1);
        if (how == "deny" || how == "state")
            QTRY_VERIFY_WITH_TIMEOUT(browser->pageText.contains("failed to obtain an Authorization Token"), 20000);
    }

    void everySignInAsksAgain_data()
    {
        addServiceColumn();
        for (int id : signInWays())
            if (!makeFakeService(id)->usesSystemBrowser())
                row(id, "twice");
    }

    void everySignInAsksAgain()
    {
        // The web view forgets the service's session: signing in again shows
        // the sign-in form again instead of passing silently.
        QFETCH(int, serviceId);
        useService(serviceId);
        auto w = openWindow();
        QVERIFY(signIn(w.get()));
        QTest::mouseClick(child<QPushButton>(w.get(), "pushButtonCloudLogout"), Qt::LeftButton);
        QVERIFY(signIn(w.get()));
        QCOMPARE(service->signInForms(), 2);
    }

    void browseMakeAndChooseAFolder_data()
    {
        addServiceColumn();
        for (int id : servicesUnderTest())
            row(id, "Docs");
    }

    void browseMakeAndChooseAFolder()
    {
        QFETCH(int, serviceId);
        useService(serviceId);
        auto w = openWindow();
        QVERIFY(signIn(w.get()));
        QStringList tree;
        bool chosen = false;
        {
            ModalDriver driver;
            driver.leaveAlone({"DownloadFolderDialog"});
            driver.then([&](QWidget *d) {
                auto *items = child<QTreeWidget>(d, "treeWidgetCloudFolder");
                for (QTreeWidgetItemIterator it(items); *it; ++it)
                    tree << (*it)->text(0);
                // Into "Docs" where folders nest; notebooks sit side by side.
                QTreeWidgetItem *root = items->topLevelItem(0);
                items->setCurrentItem(serviceId == CloudEvernote ? root : root->child(0));
                click(child<QPushButton>(d, "pushButtonMekeNewFolder"));
            });
            driver.then([&](QWidget *d) {
                QTest::keyClicks(child<QLineEdit>(d, "lineEdit"), "New:One*"); // what a name cannot hold is refused
                click(child<QPushButton>(d, "pushButtonOK"));
                QCOMPARE(d->metaObject()->className(), "FolderNameDialog");
            });
            driver.then([&](QWidget *d) {
                // Back in the browser: once the tree is built again the new
                // folder is the chosen one (Cancel if it never comes).
                auto *items = child<QTreeWidget>(d, "treeWidgetCloudFolder");
                auto *poll = new QTimer(d);
                auto waited = std::make_shared<QElapsedTimer>();
                waited->start();
                connect(poll, &QTimer::timeout, d, [=, &chosen] {
                    chosen = items->currentItem() && items->currentItem()->text(0) == QLatin1String("NewOne");
                    if (!chosen && waited->elapsed() < 30000)
                        return;
                    poll->stop();
                    click(child<QPushButton>(d, chosen ? "pushButtonOK" : "pushButtonCancel"));
                });
                poll->start(20);
            });
            QTest::mouseClick(child<QPushButton>(w.get(), "pushButtonCloudBrowse"), Qt::LeftButton);
            QTRY_VERIFY(driver.finished());
            QCOMPARE(driver.unexpected, 0);
        }
        QVERIFY(chosen);
        const QString made = serviceId == CloudEvernote ? "NewOne" : "Docs/NewOne";
        QCOMPARE(tree, QStringList({service->treeRoot(), "Docs", "Scan"}));
        QVERIFY(!service->folderId(made).isEmpty());
        QLineEdit *shown = child<QLineEdit>(w.get(), "lineEditCloudFolder");
        QCOMPARE(shown->text(), service->shownPath(made));
        QCOMPARE(readHexValue(settingsFile(), cloudSettingsPrefix(service->id()) + "CloudFolder"), QString("NewOne"));

        // Out and in again: the folder field says "Scan" until the next
        // sign-in shows the chosen folder again.
        QTest::mouseClick(child<QPushButton>(w.get(), "pushButtonCloudLogout"), Qt::LeftButton);
        QCOMPARE(shown->text(), QString("Scan"));
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonScan")->isEnabled());
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonCloudBrowse")->isEnabled());
        QVERIFY(signIn(w.get()));
        QCOMPARE(shown->text(), service->shownPath(made));
    }

    void feederScanUploadsWhileScanning_data()
    {
        addServiceColumn();
        QTest::addColumn<bool>("localCopy");
        for (int id : servicesUnderTest()) {
            row(id, "cloud only") << false;
            row(id, "with a local copy") << true;
        }
    }

    void feederScanUploadsWhileScanning()
    {
        QFETCH(int, serviceId);
        QFETCH(bool, localCopy);
        useService(serviceId, {{"PageTime", "600"}, {"Sheets", "3"}});
        auto w = openWindow();
        QVERIFY(signIn(w.get()));
        QStringList texts;
        bool overlapped = false;
        connect(w->messageHub(), &PMessage::finishedPage, this, [&] {
            auto *dialog = w->findChild<UploadingDialog *>();
            if (!dialog || !texts.isEmpty())
                return;
            QCOMPARE(dialog->windowTitle(), QString("Lumerith V2"));
            QVERIFY(dialog->isVisible() && !dialog->isModal());
            QCOMPARE(child<QProgressBar>(dialog, "progressBarUploading")->maximum(), 0);
            auto *info = child<QTextEdit>(dialog, "textEditTransferInfo");
            texts << info->toPlainText();
            connect(info, &QTextEdit::textChanged, this, [&texts, info] {
                if (texts.last() != info->toPlainText())
                    texts << info->toPlainText();
            });
            // Watch the first page arrive while the scan still runs.
            auto *watch = new QTimer(dialog);
            connect(watch, &QTimer::timeout, this, [&, watch] {
                if (service->pageCount() == 0)
                    return;
                overlapped = w->runningJob() != nullptr;
                watch->stop();
            });
            watch->start(10);
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
        addServiceColumn();
        QTest::addColumn<int>("failures");
        QTest::addColumn<bool>("refused");        // for good
        QTest::addColumn<QStringList>("answers"); // to the retry questions
        QTest::addColumn<bool>("errorBox");
        QTest::addColumn<int>("uploaded");
        for (int id : servicesUnderTest()) {
            row(id, "retried once") << 1 << false << QStringList{"yes"} << false << 3;
            row(id, "retry declined") << 1 << false << QStringList{"no"} << false << 0;
            row(id, "fourth failure in a row") << 4 << false << QStringList{"yes", "yes", "yes"} << true << 0;
            row(id, "refused for good") << 0 << true << QStringList{} << true << 0;
        }
    }

    void failedUploadsLoseNoPage()
    {
        QFETCH(int, serviceId);
        QFETCH(int, failures);
        QFETCH(bool, refused);
        QFETCH(QStringList, answers);
        QFETCH(bool, errorBox);
        QFETCH(int, uploaded);
        useService(serviceId, {{"PageTime", "300"}, {"Sheets", "3"}});
        auto w = openWindow();
        QVERIFY(signIn(w.get()));
        service->failNextUploads(failures);
        if (refused)
            service->refuseUploads();

        ModalDriver driver;
        for (const QString &answer : answers)
            driver.answerBox(answer == "yes" ? QMessageBox::YesRole : QMessageBox::NoRole);
        if (errorBox)
            driver.answerBox(QMessageBox::AcceptRole);
        if (uploaded < 3)
            driver.answerBox(QMessageBox::AcceptRole); // the pages kept on this computer
        scanThreePages(w.get(), false);
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 60000);
        QCOMPARE(driver.unexpected, 0);

        const QStringList boxes = boxTexts(driver);
        QCOMPARE(boxes.size(), answers.size() + (errorBox ? 1 : 0) + (uploaded < 3 ? 1 : 0));
        for (int i = 0; i < answers.size(); ++i)
            QCOMPARE(boxes.at(i), QString("Uploading the image file failed, do you want to try uploading the file "
                                          "again?\nYes: Upload again\nNo: Cancel upload"));
        if (errorBox)
            QCOMPARE(boxes.at(answers.size()), refused ? service->refusedMessage() : QString("Upload file error."));
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
        addServiceColumn();
        QTest::addColumn<bool>("skip");
        for (int id : servicesUnderTest()) {
            row(id, "skipped") << true;
            row(id, "job cancelled") << false;
        }
    }

    void missingPageFile()
    {
        QFETCH(int, serviceId);
        QFETCH(bool, skip);
        useService(serviceId);
        auto w = openWindow();
        QVERIFY(signIn(w.get()));
        service->holdUploads(true);
        scanThreePages(w.get(), false);
        // Page 1 waits at the service while the other two queue behind it.
        QTRY_VERIFY_WITH_TIMEOUT(announced.size() == 3 && service->heldUploads() == 1 && !w->runningJob(), 30000);
        QVERIFY(!child<QWidget>(w.get(), "centralWidget")->isEnabled()); // until the uploads end
        const QString missing = announced.at(1).first;
        QVERIFY(QFile::remove(QDir(configFile().configPath()).filePath(missing)));

        ModalDriver driver;
        driver.answerBox(skip ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        service->holdUploads(false);
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 30000);
        QCOMPARE(boxTexts(driver), QStringList{QString("The \"%1\" file does not exist, do you want to skip this "
                                                       "file?\nOK: Skip this file\nCancel: Cancel current job")
                                                   .arg(missing)});
        QCOMPARE(driver.unexpected, 0);
        QVERIFY(onService(0));
        // Skipping goes on with the next page; cancelling lets the queued page go.
        QCOMPARE(onService(2), skip);
        QCOMPARE(service->pageCount(), skip ? 2 : 1);
        QCOMPARE(localFiles(configFile().configPath()), QStringList());
        QCOMPARE(localFiles(out->path()), QStringList());
    }

    void cancelMidUpload_data()
    {
        addServiceColumn();
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("localCopy");
        for (int id : servicesUnderTest()) {
            row(id, "Cancel, cloud only") << "cancel" << false;
            row(id, "Cancel, with a local copy") << "cancel" << true;
            row(id, "closing the window") << "close" << true;
        }
    }

    void cancelMidUpload()
    {
        QFETCH(int, serviceId);
        QFETCH(QString, how);
        QFETCH(bool, localCopy);
        useService(serviceId, {{"PageTime", "1500"}, {"Sheets", "3"}});
        auto w = openWindow();
        QVERIFY(signIn(w.get()));
        service->holdUploads(true);
        QSignalSpy ends(w->messageHub(), &PMessage::finishedUploadFiles);
        ModalDriver driver;
        scanThreePages(w.get(), localCopy);
        QTRY_VERIFY_WITH_TIMEOUT(service->heldUploads() == 1, 30000);
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
        // The cancel dropped the held upload's connection; once the service
        // has seen it go, letting uploads through must store nothing.
        QTRY_COMPARE_WITH_TIMEOUT(service->heldUploads(), 0, 30000);
        service->holdUploads(false);
        QCOMPARE(service->pageCount(), 0);
        QVERIFY(announced.size() >= 1 && announced.size() < 3); // the scan stopped too
        // A local copy stays; pages only for the cloud go with the cancel.
        QCOMPARE(localFiles(out->path()).size(), localCopy ? announced.size() : 0);
        QCOMPARE(localFiles(configFile().configPath()), QStringList());
    }
};

CLOUD_WINDOW_TEST_MAIN(TestMainWindowCloud)

#include "tst_mainwindowcloud.moc"
