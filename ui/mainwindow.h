#pragma once

#include "cloud/dropbox/dropboxfolder.h"
#include "cloud/evernote/evernotemanager.h"
#include "cloud/google/googlefolder.h"
#include "cloud/onedrive/onedrivefolder.h"
#include "scan/pmessage.h"
#include "ui/papersizelist.h"
#include "ui/resolutionlist.h"
#include "ui/scanconfigurationstore.h"

#include <QMainWindow>
#include <QMutex>
#include <QRect>
#include <QSize>

namespace Ui {
class MainWindow;
}
class CloudFolderDialog;
class DownloadFolderDialog;
class ProgressDialog;
class QLineEdit;
class ScanningThread;
class UploadingDialog;
class WakeUpDialog;

// The application's only top-level window: the settings tabs, the preview
// with its crop rectangle, and the jobs started from it. The slot order is
// part of the interface.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The job running now, for those that watch it (null when none).
    ScanningThread *runningJob() const { return scanningThread; }
    // The scan event hub that jobs and dialogs of this window report through.
    PMessage *messageHub() { return &hub; }

protected slots:
    void clickedBtnExit();
    void clickedBtnScan();
    void clickedBtnPreview();
    void clickedBtnAbout();
    void clickedBtnClearPreview();
    void clickedBtnUnit();
    void previewUpdate(QRect rectCrop, int nCropState);
    void currentChangedTabWidgetSetting(int nIndex);
    void clickedBtnGeneralDevices();
    void currentIndexChangedCmbPaperSource(int nIndex);
    void currentRowChangedListGeneraUserConfig(int nIndex);
    void clickedBtnGeneralSaveAs();
    void clickedBtnGeneralDelete();
    void currentItemChangedCmbGeneralScanMode(int nIndex);
    void currentItemChangedCmbGeneralResolution(int nIndex);
    void currentItemChangedCmbGeneralPaperSize(int nIndex);
    void currentItemChangedCmbGeneralUnit(int nIndex);
    void clickedChkGeneralDuplex();
    void currentItemChangedCmbGeneralDuplex(int nIndex);
    void clickedBtnManagerBrowse();
    void currentItemChangedCmbManagerImageFormat(int nIndex);
    bool eventFilter(QObject *watched, QEvent *event) override;
    void wakeUpDialog(int nStatus, int nProgress);
    void scanningDialog(int nStatus, int nPages);
    void postErrorCode(int nErrorCode);
    void finishedPage(QString strFolderId, QString strFileName, int nImageType, bool bDelete);
    void finishedUploadFiles();
    void finishedScanningThread();
    void cancelScanningJob();
    void finishedPreview();
    void currentItemChangedCloudService(int nIndex);
    void clickedBtnCloudLogin();
    void clickedBtnCloudLogout();
    void clickedBtnCloudBrowse();
    void clickedChkCloudStoredToLocal();
    void clickedBtnCloudLocalBrowse();
    void currentItemChangedCmbCloudImageFormat(int nIndex);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class Change { ScanMode, Resolution, PaperSize, Unit, TypedSize };

    void setTexts();
    void loadSettings();
    void saveSettings() const;
    void fillGeneralTab();
    void fillLocalTab();
    void fillCloudTab();
    void connectSignals();
    void disconnectSignals();
    void updateWindowTitle();
    void layoutPreview();
    int source() const;
    void applySettingChange(Change change);
    void moveToCustom();
    void selectActiveRow();
    void updateConfigButtonState();
    void showUnit();
    void showPaperSizeAndFields();
    void showCropRect();
    void commitTypedSizes();
    void renewValidators();
    void synchroniseSource();
    void fullRefresh();
    void updateDuplexControls();
    void commitTextFields();
    void commitFolderField(QLineEdit *edit, char16_t *field, int bytes);
    void commitPrefixField(QLineEdit *edit, char16_t *field, int bytes);
    bool chooseFolder(QLineEdit *edit, char16_t *field, int bytes);
    void setBusy(bool busy);
    void reenableAfterJob();
    void applyScanButtonRule();
    void startJob(int target, const ScanRequest &job);
    // The cloud tab's service objects, by service identifier.
    template <class Fn>
    bool withCloudFolder(int nCloudService, Fn &&fn);
    bool lendCloudFolder(DownloadFolderDialog &dialog, int nCloudService, int nMode);
    bool lendCloudFolder(CloudFolderDialog &dialog, int nCloudService);
    bool runLoginDialog(int nCloudService, int &nErrorCode);

    Ui::MainWindow *ui;
    QSize formSize;
    QString appTitle;
    ScanConfigurationStore configurations;
    ResolutionList resolutions;
    PaperSizeList paperSizes;
    PMessage hub;
    ProgressDialog *progressDialog = nullptr;
    WakeUpDialog *wakeUpDlg = nullptr;
    UploadingDialog *uploadDialog = nullptr;
    ScanningThread *scanningThread = nullptr;
    qint32 previewPixelsPerInch = 0;
    bool closeRequested = false;
    bool cancelRequested = false;
    QMutex startLock;
    QMutex jobLock;
    // One folder object per cloud service, lent to the folder dialogs.
    DropboxFolder dropboxFolder;
    EvernoteManager evernoteManager;
    GoogleFolder googleFolder;
    OneDriveFolder oneDriveFolder;
};
