#include "cloud/cloudthread.h"

#include "cloud/evernote/evernotemanager.h"

#include <QDebug>

CloudThread::CloudThread(QObject *parent)
    : QThread(parent)
{
}

void CloudThread::setOperation(EvernoteManager *manager, int nOperation, const QString &strArg1,
                               const QString &strArg2, int nArg)
{
    qDebug() << "CloudThread::setOperation" << nOperation;
    this->manager = manager;
    this->nOperation = nOperation;
    this->strArg1 = strArg1;
    this->strArg2 = strArg2;
    this->nArg = nArg;
    nCloudService = CloudEvernote;
}

void CloudThread::cancelOperation()
{
    qDebug() << "CloudThread::cancelOperation";
    // Also seen by the client when the cancel comes before or between its requests.
    requestInterruption();
    if (manager)
        manager->abortRequest();
}

void CloudThread::run()
{
    qDebug() << "CloudThread::run" << nOperation;
    if (!manager)
        return;
    if (nOperation == RequestUserInfo) {
        emit finishedRequestUserInfo(manager->requestUserInfo(), CloudEvernote);
    } else if (nOperation == RequestListFolders) {
        emit finishedDownloadFolder(manager->listAllFolders(), CloudEvernote);
    } else if (nOperation == RequestCreateFolder) {
        QString strGuid, strName;
        const int code = manager->createFolder(strArg1, strArg2, strGuid, strName);
        emit finishedCreateFolder(code, CloudEvernote, strName, strGuid);
    } else if (nOperation == RequestUploadData) {
        emit finishedCreateFile(manager->uploadNote(strArg1, strArg2, nArg), strArg2, QString());
    }
}
