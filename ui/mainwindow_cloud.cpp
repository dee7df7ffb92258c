// The "Store to Cloud" tab of the main window.
#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "scan/scanrequest.h"
#include "ui/scansettings.h"

#include <QDebug>
#include <QDialog>
#include <QSettings>

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

void MainWindow::clickedBtnCloudLogin()
{
    qDebug() << "MainWindow::clickedBtnCloudLogin";
    // Sign-in arrives with the login dialogs of the cloud services.
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
    // Folder choice arrives with the cloud folder dialog.
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
    // Pages for a cloud service go to the upload dialog once it exists.
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
