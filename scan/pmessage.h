#pragma once

#include <QObject>
#include <QString>

// The hub through which scan work reports to the user interface. Senders run
// on worker threads; receivers on the user-interface thread get queued calls.
// The signal order is part of the interface.
class PMessage : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void finishedSearchScanner();
    void wakeUpDialog(int nStatus, int nProgress);
    void scanningDialog(int nStatus, int nPages);
    void scanningStatus(int nFlag, int nProgress);
    void postErrorCode(int nErrorCode);
    void finishedPage(QString strFolderId, QString strFileName, int nImageType, bool bDelete);
    void finishedUploadFiles();
    void cancelScanningJob();
};
