#pragma once

#include "fakes/fakehttpservice.h"

#include <QCryptographicHash>
#include <QHash>
#include <QStringList>

#include <memory>

// Google accounts (login page, token endpoint) and the Drive v2 files API on
// 127.0.0.1, keeping a drive like the real one and checking what it checks:
// bearer tokens, the folder query and page tokens, folder creation, the
// resumable upload's metadata, session address and Content-Range, and the
// reasons of its 403 answers.
class FakeGoogle : public FakeHttpService
{
    Q_OBJECT
public:
    struct Item
    {
        QString id;
        QString title;
        QString mimeType;
        QStringList parents; // empty for a folder shared with the user
        QByteArray data;     // empty when bodies are not kept
        qint64 size = 0;
        QByteArray md5;
    };

    explicit FakeGoogle(QObject *parent = nullptr);

    bool start(); // roles "accounts" and "api"
    FakeOAuth oauth;

    // Successive listing page sizes (then maxResults): short and empty pages.
    void setPageSizes(const QList<int> &sizes) { pageSizes = sizes; }
    // 403 to a new upload session with this reason ("" for none).
    void setUploadRefusal(const QString &reason) { strRefusal = reason; }
    void setKeepBodies(bool b) { bKeepBodies = b; }

    QString rootId() const { return QStringLiteral("0AROOTFOLDER"); }
    QString addFolder(const QString &title, const QString &parentId = QString());
    QString addSharedFolder(const QString &title);
    QList<Item> itemsTitled(const QString &title) const;
    // The items whose parents include this folder, in creation order.
    QList<Item> children(const QString &parentId) const;
    Item item(const QString &id) const { return items.value(id); }

protected:
    void headReceived(Request &r) override;
    void bodyPiece(Request &r, const QByteArray &piece) override;
    void handle(Request &r) override;

private:
    struct Session
    {
        QString title;
        QString parent;
        QString mimeType;
        qint64 size = 0;
        qint64 received = 0;
        QByteArray data;
        QCryptographicHash md5{QCryptographicHash::Md5};
    };
    QJsonObject itemJson(const Item &item) const;
    QString resolve(const QString &id) const;
    void listFolders(Request &r);
    void createFolder(Request &r);
    void openSession(Request &r);
    void apiError(Request &r, int status, const QString &reason);

    QHash<QString, Item> items;
    QStringList order; // ids in creation order
    QHash<QString, QStringList> snapshots;
    QHash<QString, std::shared_ptr<Session>> sessions;
    QList<int> pageSizes;
    QString strRefusal;
    bool bKeepBodies = true;
    int nNext = 1;
};
