#pragma once

#include "cloud/cloudservice.h"

#include <QString>
#include <QThread>

class EvernoteManager;

// One blocking Evernote operation away from the user-interface thread:
//
//   new CloudThread --> setOperation(manager, op, ...) --> connect finished + the op's signal
//   --> start() --> run(): the client call --> result signal (queued to the owner) --> finished
//
//   op 2 create notebook (strArg1 stack/parent, strArg2 name)  --> finishedCreateFolder(code, 3, name, guid)
//   op 4 list notebooks                                         --> finishedDownloadFolder(code, 3)
//   op 6 create note (strArg1 notebook, strArg2 file, nArg type) --> finishedCreateFile(code, strArg2, "")
//   op 9 account information                                    --> finishedRequestUserInfo(code, 3)
//
// cancelOperation() from the owner's thread ends the client's request with -6.
class CloudThread : public QThread
{
    Q_OBJECT
public:
    // Operations are the request kinds (RequestCreateFolder, RequestListFolders,
    // RequestUploadData) and this one, which no dialog starts.
    static constexpr int RequestUserInfo = 9;

    explicit CloudThread(QObject *parent = nullptr);

    void setOperation(EvernoteManager *manager, int nOperation, const QString &strArg1 = QString(),
                      const QString &strArg2 = QString(), int nArg = 0);
    void cancelOperation();

signals:
    void finishedDownloadFolder(int nErrorCode, int nCloudService);
    void finishedCreateFolder(int nErrorCode, int nCloudService, QString strName, QString strId);
    void finishedCreateFile(int nErrorCode, QString strName, QString strId);
    void finishedRequestUserInfo(int nErrorCode, int nCloudService);

protected:
    void run() override;

private:
    int nCloudService = 0;
    int nOperation = 0;
    int nArg = 0;
    QString strArg1;
    QString strArg2;
    EvernoteManager *manager = nullptr;
};
