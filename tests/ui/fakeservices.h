#pragma once

// The fake cloud services as the window tests drive them: one interface, so
// that each test runs once per service.
#include "fakes/fakedropbox.h"
#include "fakes/fakeevernote.h"

#include "cloud/cloudservice.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <memory>

class FakeService
{
public:
    virtual ~FakeService() = default;

    virtual int id() const = 0;
    // Starts the fake and registers the redirect the sign-in will use.
    virtual bool start(quint16 redirectPort) = 0;
    // The "[CLOUD]" keys that point the application at it.
    virtual QMap<QString, QString> cloudKeys() const = 0;
    // The access token it hands out, which must never reach a log line.
    virtual QString token() const = 0;
    // Sign-in in the user's own browser rather than in the dialog.
    virtual bool usesSystemBrowser() const = 0;
    virtual QString loginTitle() const = 0;

    // Folders (notebooks) at the top level, by name.
    virtual void addFolder(const QString &name) = 0;
    virtual QString folderId(const QString &name) const = 0;
    // What the cloud tab shows for the folder.
    virtual QString shownPath(const QString &name) const = 0;
    virtual int foldersMade() const = 0;
    // The listing answers with something unreadable; the message shown then.
    virtual void spoilFolderList() = 0;
    virtual QString spoiledListMessage() const = 0;

    // Contents of the pages uploaded into the folder, in order.
    virtual QList<QByteArray> pagesIn(const QString &name) const = 0;
    virtual int pageCount() const = 0;
    // Uploads wait unanswered (and undone) until holding stops.
    virtual void holdUploads(bool b) = 0;
    virtual int heldUploads() const = 0;
    // The next n uploads fail in a way worth trying again.
    virtual void failNextUploads(int n) = 0;
    // Every upload is refused for good (the account has no room left).
    virtual void refuseUploads() = 0;
    virtual QString refusedMessage() const = 0;
};

class DropboxService : public FakeService
{
public:
    int id() const override { return CloudDropbox; }
    bool start(quint16 redirectPort) override
    {
        fake.setRedirectUri(QStringLiteral("http://127.0.0.1:%1/cloud").arg(redirectPort));
        return fake.start();
    }
    QMap<QString, QString> cloudKeys() const override
    {
        return {{"DropboxWebHost", fake.webBase()}, {"DropboxApiHost", fake.apiBase()},
                {"DropboxContentHost", fake.contentBase()}};
    }
    QString token() const override { return QStringLiteral("fake-token"); }
    bool usesSystemBrowser() const override { return true; }
    QString loginTitle() const override { return QStringLiteral("Login Dropbox Cloud"); }

    void addFolder(const QString &name) override { fake.addFolder("/" + name); }
    QString folderId(const QString &name) const override { return fake.folderId("/" + name); }
    QString shownPath(const QString &name) const override { return "/" + name; }
    int foldersMade() const override
    {
        int n = 0;
        for (const FakeDropbox::Request &r : fake.requests())
            n += r.path == QLatin1String("/2/files/create_folder_v2") ? 1 : 0;
        return n;
    }
    void spoilFolderList() override { fake.setCannedListAnswer("<html>maintenance</html>"); }
    QString spoiledListMessage() const override { return QStringLiteral("Refresh folder error."); }

    QList<QByteArray> pagesIn(const QString &name) const override
    {
        QList<QByteArray> pages;
        for (const QString &path : fake.filePaths())
            if (path.section('/', 1, 1).compare(name, Qt::CaseInsensitive) == 0)
                pages << fake.file(path).data;
        return pages;
    }
    int pageCount() const override { return fake.filePaths().size(); }
    void holdUploads(bool b) override { fake.setHoldUploads(b); }
    int heldUploads() const override { return fake.heldUploads(); }
    void failNextUploads(int n) override { fake.failNextCommits(n); }
    void refuseUploads() override { fake.setAccountFull(true); }
    QString refusedMessage() const override
    {
        return QStringLiteral("Since the capacity of the cloud storage is not available, the operation is stopped. If "
                              "you want to save the file to the local disk, please enable 'Save to Local Disk' the "
                              "next time you operate.");
    }

    FakeDropbox fake;
};

class EvernoteService : public FakeService
{
public:
    int id() const override { return CloudEvernote; }
    bool start(quint16) override
    {
        fake.setSignInForm(true);
        return fake.start();
    }
    QMap<QString, QString> cloudKeys() const override { return {{"EvernoteHost", fake.base()}}; }
    QString token() const override { return fake.accessToken(); }
    bool usesSystemBrowser() const override { return false; }
    QString loginTitle() const override { return QStringLiteral("Login Evernote Cloud"); }

    void addFolder(const QString &name) override { fake.addNotebook(name); }
    QString folderId(const QString &name) const override
    {
        for (const edam::Notebook &nb : fake.notebooks())
            if (QString::fromStdString(nb.name).compare(name, Qt::CaseInsensitive) == 0)
                return QString::fromStdString(nb.guid);
        return QString();
    }
    QString shownPath(const QString &name) const override { return name; }
    int foldersMade() const override
    {
        int n = 0;
        for (const FakeEvernote::Call &c : fake.calls())
            n += c.method == QLatin1String("createNotebook") ? 1 : 0;
        return n;
    }
    void spoilFolderList() override
    {
        fake.setAnswerFilter("getFilteredSyncChunk", [](QByteArray) { return QByteArray("maintenance"); });
    }
    QString spoiledListMessage() const override
    {
        return QStringLiteral("A network exception occurred, the current operation will be terminated.");
    }

    QList<QByteArray> pagesIn(const QString &name) const override
    {
        const std::string guid = folderId(name).toStdString();
        QList<QByteArray> pages;
        for (const edam::Note &note : fake.notes())
            if (note.notebookGuid == guid && !note.resources.empty())
                pages << QByteArray::fromStdString(note.resources.front().data.body);
        return pages;
    }
    int pageCount() const override { return fake.notes().size(); }
    void holdUploads(bool b) override { fake.setHoldNotes(b); }
    int heldUploads() const override { return fake.heldNotes(); }
    void failNextUploads(int n) override { fake.failNextNotes(n); }
    void refuseUploads() override { fake.setMonthlyQuota(1); }
    QString refusedMessage() const override
    {
        return QStringLiteral("Upload file error. The note you are currently working on has just put you over your "
                              "monthly upload limit.");
    }

    FakeEvernote fake;
};

inline std::unique_ptr<FakeService> makeFakeService(int id)
{
    if (id == CloudEvernote)
        return std::make_unique<EvernoteService>();
    return std::make_unique<DropboxService>();
}

// The services the window tests run against.
inline QList<int> servicesUnderTest()
{
    return {CloudDropbox, CloudEvernote};
}
