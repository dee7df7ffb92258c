#pragma once

#include "fakes/fakehttpservice.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <memory>

// The identity platform (login page, token endpoint) and the Graph drive API
// on 127.0.0.1, keeping a drive like the real one and checking what it
// checks: bearer tokens, the public or confidential registration, paged
// children listings chained by "@odata.nextLink", folder creation, upload
// sessions with fragments in order (multiples of 320 KiB but the last, the
// same total, no bearer token on the pre-authenticated address), and the
// simple PUT of an item's content.
class FakeGraph : public FakeHttpService
{
    Q_OBJECT
public:
    struct Item
    {
        QString id;
        QString name;
        QString parentId; // empty for the root
        bool bFolder = false;
        QByteArray data;  // empty when bodies are not kept
        qint64 size = 0;
        QByteArray md5;
    };

    explicit FakeGraph(QObject *parent = nullptr);

    bool start(); // roles "login" and "graph"
    FakeOAuth oauth;

    void setPageSize(int n) { nPageSize = n > 0 ? n : 1; }
    // Parent paths as work or school accounts give them.
    void setWorkAccount(bool b) { bWork = b; }
    void setDriveFull(bool b) { bFull = b; }
    void setKeepBodies(bool b) { bKeepBodies = b; }
    // The item is listed without its "id", as a damaged answer would be.
    void setListedWithoutId(const QString &id) { withoutId.insert(id); }

    QString rootId() const { return QStringLiteral("ROOT!0"); }
    QString addFolder(const QString &name, const QString &parentId = QString());
    QString addFile(const QString &name, const QString &parentId = QString());
    // The item at a path below the root ("/Scan/page.jpg"); empty id when none.
    Item itemAt(const QString &path) const;
    QStringList childNames(const QString &parentId) const;

protected:
    void headReceived(Request &r) override;
    void bodyPiece(Request &r, const QByteArray &piece) override;
    void handle(Request &r) override;

private:
    struct Session
    {
        QString parentId;
        QString name;
        qint64 total = -1;
        qint64 received = 0;
        QByteArray data;
        QCryptographicHash md5{QCryptographicHash::Md5};
    };
    QJsonObject itemJson(const Item &item) const;
    QString pathOf(const QString &id) const;
    QString freeName(const QString &parentId, const QString &name) const;
    QString newItem(const QString &name, const QString &parentId, bool bFolder);
    void listChildren(Request &r, const QString &id);
    void createFolder(Request &r, const QString &parentId);
    void openSession(Request &r, const QString &path);
    void fragmentHead(Request &r, Session *s);
    void graphError(Request &r, int status, const QString &code);

    QHash<QString, Item> items;
    QHash<QString, QStringList> children; // parent id -> child ids in creation order
    QHash<QString, std::shared_ptr<Session>> sessions;
    int nPageSize = 200;
    bool bWork = false;
    bool bFull = false;
    bool bKeepBodies = true;
    QSet<QString> withoutId;
    int nNext = 1;
};
