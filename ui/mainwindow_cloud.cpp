// The "Store to Cloud" tab of the main window.
#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "cloud/cloudfolderdialog.h"
#include "cloud/cloudservice.h"
#include "cloud/downloadfolderdialog.h"
#include "cloud/dropbox/dropboxlogindialog.h"
#include "cloud/evernote/evernotelogindialog.h"
#include "cloud/google/googlelogindialog.h"
#include "cloud/onedrive/onedrivelogindialog.h"
#include "cloud/uploadingdialog.h"
#include "scan/scanrequest.h"
#include "ui/scansettings.h"

#include <QDebug>
#include <QSettings>

namespace {
// Half the height of the page progress dialog.
constexpr int kProgressHalfHeight = 70;

// Runs a service's login dialog; its code when it did not end Accepted.
template <class Dialog>
bool execLogin(int nCloudService, QWidget *parent, int &nErrorCode)
{
    Dialog login(nCloudService, parent);
    const bool accepted = login.exec() == QDialog::Accepted;
    nErrorCode = accepted ? 0 : login.errorCode();
    return accepted;
}
} // namespace

void MainWindow::fillCloudTab()
{
    ScanRequest &r = scanRequest();
    QVector<ComboRow> services = {{tr("GoogleDrive"), 1}, {tr("OneDrive"), 2}, {tr("Evernote"), 3}, {tr("Dropbox"), 4}};
    const QString module = configFile().mfpCfgFile();
    if (!module.isEmpty() && QSettings(module, QSettings::IniFormat).value("Debug/sharepoint", 0).toInt() == 1)
        services.append({tr("SharePoint Online"), 5});
    fillComboRows(ui->comboBoxCloudService, services);
    int row = ui->comboBoxCloudService->findData(r.cloudService);
    if (row < 0)
        row = 0;
    ui->comboBoxCloudService->setCurrentIndex(row);
    currentItemChangedCloudService(row);

    fillComboRows(ui->comboBoxCloudImageFormat,
                  {{tr("JPEG"), int(ImageJPEG)}, {tr("TIFF (Single Page)"), int(ImageTIFF)}, {tr("PDF (Image)"), int(ImagePDF)}});
    row = ui->comboBoxCloudImageFormat->findData(r.cloudImageType);
    ui->comboBoxCloudImageFormat->setCurrentIndex(row >= 0 ? row : 0);

    ui->checkBoxCloudStoredToLocal->setChecked(r.storeToLocal);
    ui->lineEditCloudLocalFolder->setEnabled(r.storeToLocal);
    ui->pushButtonCloudLocalBrowse->setEnabled(r.storeToLocal);
    ui->lineEditCloudLocalFolder->setMaxLength(256);
    ui->lineEditCloudLocalFolder->setText(wideText(r.cloudLocalFolder));
    ui->lineEditCloudFileName->setMaxLength(50);
    ui->lineEditCloudFileName->setText(wideText(r.cloudFilePrefix));
    ui->lineEditCloudFolder->setReadOnly(true);
    // The name of the folder on the service, not a label: never translated.
    ui->lineEditCloudFolder->setText(QStringLiteral("Scan"));
}

void MainWindow::currentItemChangedCloudService(int nIndex)
{
    qDebug() << "MainWindow::currentItemChangedCloudService" << nIndex;
    if (nIndex < 0)
        return;
    ScanRequest &r = scanRequest();
    r.cloudService = ui->comboBoxCloudService->itemData(nIndex).toInt();
    const bool hostVisible = r.cloudService == 5;
    ui->labelCloudHostURL->setVisible(hostVisible);
    ui->lineEditCloudHostURL->setVisible(hostVisible);
}

template <class Fn>
bool MainWindow::withCloudFolder(int nCloudService, Fn &&fn)
{
    switch (nCloudService) {
    case CloudDropbox:
        fn(dropboxFolder);
        return true;
    case CloudEvernote:
        fn(evernoteManager);
        return true;
    case CloudGoogleDrive:
        fn(googleFolder);
        return true;
    case CloudOneDrive:
        fn(oneDriveFolder);
        return true;
    default:
        return false;
    }
}

bool MainWindow::lendCloudFolder(DownloadFolderDialog &dialog, int nCloudService, int nMode)
{
    switch (nCloudService) {
    case CloudDropbox:
        dialog.setDropboxFolder(&dropboxFolder, nMode, QString(), QString());
        return true;
    case CloudEvernote:
        dialog.setEvernoteManager(&evernoteManager, nMode, QString(), QString());
        return true;
    case CloudGoogleDrive:
        dialog.setGoogleFolder(&googleFolder, nMode, QString(), QString());
        return true;
    case CloudOneDrive:
        dialog.setOneDriveFolder(&oneDriveFolder, nMode, QString(), QString());
        return true;
    default:
        return false;
    }
}

bool MainWindow::lendCloudFolder(CloudFolderDialog &dialog, int nCloudService)
{
    switch (nCloudService) {
    case CloudDropbox:
        dialog.setDropboxFolder(&dropboxFolder);
        return true;
    case CloudEvernote:
        dialog.setEvernoteManager(&evernoteManager);
        return true;
    case CloudGoogleDrive:
        dialog.setGoogleFolder(&googleFolder);
        return true;
    case CloudOneDrive:
        dialog.setOneDriveFolder(&oneDriveFolder);
        return true;
    default:
        return false;
    }
}

bool MainWindow::runLoginDialog(int nCloudService, int &nErrorCode)
{
    switch (nCloudService) {
    case CloudGoogleDrive: return execLogin<GoogleLoginDialog>(nCloudService, this, nErrorCode);
    case CloudOneDrive: return execLogin<OneDriveLoginDialog>(nCloudService, this, nErrorCode);
    case CloudEvernote: return execLogin<EvernoteLoginDialog>(nCloudService, this, nErrorCode);
    case CloudDropbox: return execLogin<DropboxLoginDialog>(nCloudService, this, nErrorCode);
    default:
        nErrorCode = 0;
        return false;
    }
}

void MainWindow::clickedBtnCloudLogin()
{
    qDebug() << "MainWindow::clickedBtnCloudLogin";
    ScanRequest &r = scanRequest();
    const int service = r.cloudService;
    if (!withCloudFolder(service, [](auto &) {}))
        return; // a service without sign-in
    int code = 0;
    bool signedIn = runLoginDialog(service, code);
    if (signedIn) {
        DownloadFolderDialog folders(appTitle, this);
        lendCloudFolder(folders, service, DownloadFolderDialog::ModeSignIn);
        signedIn = folders.exec() == QDialog::Accepted;
        code = signedIn ? 0 : folders.errorCode();
    }
    if (signedIn) {
        r.cloudSignedIn = true;
        QString id = wideText(r.cloudFolderId);
        QString path;
        const QString name = wideText(r.cloudFolderPath);
        withCloudFolder(service, [&](auto &folder) { folder.findFolder(name, id, path); });
        ui->lineEditCloudFolder->setText(path);
        ui->comboBoxCloudService->setEnabled(false);
        ui->pushButtonCloudLogin->setEnabled(false);
        ui->pushButtonCloudLogout->setEnabled(true);
        ui->pushButtonCloudBrowse->setEnabled(true);
        applyScanButtonRule();
    }
    postErrorCode(code);
}

void MainWindow::clickedBtnCloudLogout()
{
    qDebug() << "MainWindow::clickedBtnCloudLogout";
    scanRequest().cloudSignedIn = false;
    ui->lineEditCloudFolder->setText(QStringLiteral("Scan"));
    ui->comboBoxCloudService->setEnabled(true);
    ui->pushButtonCloudLogin->setEnabled(true);
    ui->pushButtonCloudLogout->setEnabled(false);
    ui->pushButtonCloudBrowse->setEnabled(false);
    applyScanButtonRule();
}

void MainWindow::clickedBtnCloudBrowse()
{
    qDebug() << "MainWindow::clickedBtnCloudBrowse";
    ScanRequest &r = scanRequest();
    CloudFolderDialog dialog(appTitle, this);
    if (!lendCloudFolder(dialog, r.cloudService))
        return;
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString name, id, path;
    dialog.getCloudFolder(name, id, path);
    setWideText(r.cloudFolderPath, name);
    setWideText(r.cloudFolderId, id);
    ui->lineEditCloudFolder->setText(path);
}

void MainWindow::clickedChkCloudStoredToLocal()
{
    qDebug() << "MainWindow::clickedChkCloudStoredToLocal";
    const bool keep = ui->checkBoxCloudStoredToLocal->isChecked();
    scanRequest().storeToLocal = keep;
    ui->lineEditCloudLocalFolder->setEnabled(keep);
    ui->pushButtonCloudLocalBrowse->setEnabled(keep);
}

void MainWindow::clickedBtnCloudLocalBrowse()
{
    qDebug() << "MainWindow::clickedBtnCloudLocalBrowse";
    ScanRequest &r = scanRequest();
    chooseFolder(ui->lineEditCloudLocalFolder, r.cloudLocalFolder, int(sizeof r.cloudLocalFolder));
}

void MainWindow::currentItemChangedCmbCloudImageFormat(int nIndex)
{
    qDebug() << "MainWindow::currentItemChangedCmbCloudImageFormat" << nIndex;
    if (nIndex >= 0)
        scanRequest().cloudImageType = ui->comboBoxCloudImageFormat->itemData(nIndex).toInt();
}

void MainWindow::finishedPage(QString strFolderId, QString strFileName, int nImageType, bool bDelete)
{
    qDebug() << "MainWindow::finishedPage" << strFolderId << strFileName << nImageType << bDelete;
    const ScanRequest &r = scanRequest();
    QString folder = strFolderId;
    if (r.cloudService == CloudDropbox || r.cloudService == CloudOneDrive) {
        // These services upload by path.
        QString id = strFolderId;
        folder.clear();
        withCloudFolder(r.cloudService, [&](auto &object) { object.findFolder(QString(), id, folder); });
    }
    if (uploadDialog) {
        uploadDialog->addUploadFile(folder, strFileName, nImageType, bDelete);
        return;
    }
    uploadDialog = new UploadingDialog(appTitle, &hub, r.cloudService, this);
    uploadDialog->setLocalFolder(wideText(r.cloudLocalFolder));
    // Below the page progress, which is centred on the window, so that both
    // can be read while the scan goes on.
    const QPoint centre = frameGeometry().center();
    uploadDialog->move(centre.x() - uploadDialog->width() / 2, centre.y() + kProgressHalfHeight + 8);
    uploadDialog->addUploadFile(folder, strFileName, nImageType, bDelete);
    uploadDialog->show();
}

void MainWindow::finishedUploadFiles()
{
    qDebug() << "MainWindow::finishedUploadFiles";
    {
        QMutexLocker lock(&jobLock);
        if (uploadDialog) {
            uploadDialog->accept();
            delete uploadDialog;
            uploadDialog = nullptr;
        }
    }
    reenableAfterJob();
    if (closeRequested)
        close();
}
