#pragma once

#include "cloud/folderindex.h"
#include "cloud/httpclient.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QUrl>

#include <atomic>
#include <functional>
#include <string>

class QTreeWidgetItem;

namespace edam {
class NoteStoreClient;
}

// What the client keeps of a notebook. The guid is the identifier the rest
// of the system stores ("evernote/CloudFolderId", the upload queue).
struct EvernoteNotebook
{
    QString guid;
    QString name;
    QString stack; // empty: outside any stack
};

// The Evernote client. Notebooks are the folders; every page becomes a note.
// Network operations block and run on a CloudThread:
//
//   operation --> token check: getSyncState (service clock vs stored expiry) --> -200 or go on
//     listAllFolders(): getFilteredSyncChunk(afterUSN, 50) ... until chunkHighUSN reaches updateCount
//     createFolder():   createNotebook(name, stack) --> appended to the listed notebooks
//     uploadNote():     createNote(title, ENML with the page's MD5, one resource "Attachment")
//
// Each call is one Thrift binary message written by the generated client into
// memory, POSTed through HttpClient, and read back by the generated client
// after the answer's header has been checked against the call. abortRequest()
// (user-interface thread) ends the blocking wait with -6.
//
// The tree and lookup functions run on the user-interface thread and read
// what the last complete listing left.
class EvernoteManager : public QObject
{
    Q_OBJECT
public:
    // What the last requestUserInfo() learnt of the account.
    struct UserInfo
    {
        qint64 serviceTime = 0; // milliseconds since the epoch, by the service's clock
        qint64 uploaded = 0;    // bytes uploaded this month
        int updateCount = 0;
    };

    explicit EvernoteManager(QObject *parent = nullptr);
    ~EvernoteManager() override;

    // Blocking; each returns 0 or an error code (-6 cancelled, -200 not
    // signed in or token expired, -203 network, -212 time-out, and per call
    // -201, -205, -210, -217, -218).
    int listAllFolders();
    int createFolder(const QString &strStack, const QString &strName, QString &strGuid, QString &strNewName);
    int uploadNote(const QString &strNotebookGuid, const QString &strFileName, int nImageType);
    int requestUserInfo();
    // Any thread: ends the operation in flight with -6.
    void abortRequest();

    QString rootFolderId() const;
    // Notebooks outside a stack first, then one item per stack (its name as
    // text and identifier) holding its notebooks.
    void fillFolderTree(QTreeWidgetItem *item) const;
    // Without a guid: the first notebook named strName (any letter case)
    // gives guid and path. With one: the notebook of that guid gives its
    // path (and, in the second form, its name).
    bool findFolder(const QString &strName, QString &strGuid, QString &strPath) const;
    bool findFolder(QString &strName, QString &strGuid, QString &strPath) const;
    // The stack a new notebook goes into when strKey (a tree item's
    // identifier) is chosen as its parent: the notebook's stack, the stack
    // itself, or none.
    QString stackFor(const QString &strKey) const;

    QList<EvernoteNotebook> notebookList() const;
    UserInfo userInfo() const;

    static QString mimeType(int nImageType);
    // The note body: one line of ENML holding one en-media element.
    static QByteArray enmlContent(const QByteArray &md5Hex, const QString &mime);

private:
    using Send = std::function<void(edam::NoteStoreClient &)>;
    using Receive = std::function<void(edam::NoteStoreClient &)>;
    // Maps a service exception's error code (0 for not-found) to a result.
    using ServiceCode = std::function<int(int)>;

    struct Session
    {
        std::string token;
        QUrl noteStoreUrl;
    };

    int call(const Session &session, const char *method, int nUnreadable, const ServiceCode &serviceCode,
             const Send &send, const Receive &receive);
    int checkToken(Session &session, UserInfo *info = nullptr);
    // Keeps the lookups in step with notebooks (replaced, or one appended);
    // called with the mutex held.
    void indexNotebooks();
    void indexNotebook(int position);
    bool aborted() const;

    mutable QMutex mutex;
    // The notebooks of the last complete listing, in the order of its
    // chunks, then those created since.
    QList<EvernoteNotebook> notebooks;
    QList<EvernoteNotebook> pendingNotebooks;
    FolderIndex byGuid;
    FolderIndex byName; // letter case folded
    FolderIndex byStack;
    UserInfo user;
    HttpClient httpClient;
    std::atomic<bool> bAbort{false};
};
