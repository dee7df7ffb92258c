#pragma once

// The fake cloud services as the window tests drive them: one interface, so
// that each test runs once per service.
#include "fakes/fakedropbox.h"
#include "fakes/fakeevernote.h"
#include "fakes/fakegoogle.h"
#include "fakes/fakegraph.h"

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
    // How the rows of this service are named.
    virtual QString name() const { return cloudServiceName(id()); }
    // Sign-in in the user's own browser rather than in the dialog.
    virtual bool usesSystemBrowser() const = 0;
    virtual QString loginTitle() const = 0;
    // The top item of the folder tree.
    virtual QString treeRoot() const = 0;
    // Whether a refusal on the service's page ends the sign-in by itself
    // (else the dialog shows the failure page and waits for Cancel).
    virtual bool refusalEndsSignIn() const { return true; }
    // How many times the service asked who is signing in.
    virtual int signInForms() const { return 0; }

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

    // Switches one network fault on for the uploads ("stall", "reset", an
    // HTTP status such as "429", "junk" for an answer that is none) or for
    // the folder listing ("endless"); "" switches every fault off.
    virtual void setFault(const QString &fault) = 0;
};

// The HTTP statuses a fault row may name.
inline int faultStatus(const QString &fault)
{
    const int status = fault.toInt();
    return status >= 400 ? status : 0;
}

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
    QString treeRoot() const override { return QStringLiteral("Dropbox"); }

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
    void setFault(const QString &fault) override
    {
        fake.setHang(fault == "stall");
        fake.setResetUploads(fault == "reset");
        // The service's own answers where it has them: a refused token, a full account.
        fake.setTokenExpired(fault == "401");
        fake.setAccountFull(fault == "409");
        const int status = fault == "401" || fault == "409" ? 0 : faultStatus(fault);
        fake.failUploads(status, status ? R"({"error_summary": "internal_error/.."})" : "");
        fake.setCannedFinishAnswer(fault == "junk" ? "<html>maintenance</html>" : "");
        fake.setCannedListAnswer(fault == "endless" ? R"({"entries": [], "cursor": "c{n}", "has_more": true})" : "");
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
    QString treeRoot() const override { return QStringLiteral("Notebooks"); }
    bool refusalEndsSignIn() const override { return true; }
    int signInForms() const override { return fake.signInForms(); }

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
    void setFault(const QString &fault) override
    {
        fake.setHangOn(fault == "stall" ? "createNote" : "");
        fake.resetNextNotes(fault == "reset" ? 1000 : 0);
        fake.setTokenExpired(fault == "401"); // the service's way of refusing a token
        fake.failNextNotes(fault == "junk" || faultStatus(fault) ? 1000 : 0, fault == "junk" ? 200 : faultStatus(fault));
        if (fault == "endless") {
            // The first chunk again and again, while the account has more.
            fake.bumpUpdateCount();
            auto first = std::make_shared<QByteArray>();
            fake.setAnswerFilter("getFilteredSyncChunk", [first](QByteArray answer) {
                if (first->isEmpty())
                    *first = answer;
                return *first;
            });
        } else {
            fake.setAnswerFilter("getFilteredSyncChunk", nullptr);
        }
    }
    QString refusedMessage() const override
    {
        return QStringLiteral("Upload file error. The note you are currently working on has just put you over your "
                              "monthly upload limit.");
    }

    FakeEvernote fake;
};

// Google Drive and OneDrive: the Drive and Graph fakes behind the OAuth
// sign-in, in the dialog's web view or in the desktop's browser.
template <class Fake>
class OAuthFakeService : public FakeService
{
public:
    OAuthFakeService(int nId, bool bBrowser)
        : nId(nId)
        , bBrowser(bBrowser)
    {
    }
    int id() const override { return nId; }
    QString name() const override
    {
        return cloudServiceName(nId) + (bBrowser ? QStringLiteral(" (browser)") : QStringLiteral(" (web view)"));
    }
    // "Docs/NewOne": a folder inside another.
    void addFolder(const QString &name) override
    {
        const int slash = name.lastIndexOf('/');
        fake.addFolder(name.mid(slash + 1), slash < 0 ? QString() : folderId(name.left(slash)));
    }
    QString shownPath(const QString &name) const override { return "/" + name; }
    int pageCount() const override
    {
        int n = 0;
        for (const QString &folder : {QStringLiteral("Scan"), QStringLiteral("Docs")})
            n += pagesIn(folder).size();
        return n;
    }
    bool start(quint16) override
    {
        fake.oauth.bSignInForm = true;
        return fake.start();
    }
    QString token() const override { return fake.oauth.lastAccessToken(); }
    bool usesSystemBrowser() const override { return bBrowser; }
    bool refusalEndsSignIn() const override { return bBrowser; }
    int signInForms() const override { return fake.oauth.nSignInForms; }
    int foldersMade() const override
    {
        int n = 0;
        for (const FakeHttpService::Request &r : fake.requests())
            n += (r.method == QLatin1String("POST") && r.path.endsWith(QLatin1String(folderPath()))
                  && r.role != QLatin1String("login") && r.role != QLatin1String("accounts"))
                     ? 1
                     : 0;
        return n;
    }
    void holdUploads(bool b) override { fake.setHold(QStringLiteral("PUT"), QLatin1String(uploadPath()), b); }
    int heldUploads() const override { return fake.heldCount(); }
    void failNextUploads(int n) override
    {
        fake.scriptAnswer(QStringLiteral("PUT"), QLatin1String(uploadPath()), 500, "backend error", n);
    }
    QString refusedMessage() const override
    {
        return QStringLiteral("Since the capacity of the cloud storage is not available, the operation is stopped. If "
                              "you want to save the file to the local disk, please enable 'Save to Local Disk' the "
                              "next time you operate.");
    }
    void setFault(const QString &fault) override
    {
        fake.clearFaults();
        fake.setHang(fault == "stall");
        if (fault == "reset")
            fake.resetNext(QStringLiteral("PUT"), QLatin1String(uploadPath()), 1000);
        if (fault == "junk")
            fake.scriptAnswer(QStringLiteral("PUT"), QLatin1String(uploadPath()), 200, "<html>maintenance</html>", 1000);
        if (faultStatus(fault))
            fake.scriptAnswer(QStringLiteral("PUT"), QLatin1String(uploadPath()), faultStatus(fault),
                              statusAnswer(faultStatus(fault)), 1000);
        if (fault == "endless")
            fake.scriptAnswer(QStringLiteral("GET"), QLatin1String(listPath()), 200, endlessPage(), 1000000);
    }

    Fake fake;

protected:
    // The body of an error answer with this status, as the service words it.
    virtual QByteArray statusAnswer(int status) const = 0;
    // A listing page that asks for one more page.
    virtual QByteArray endlessPage() const = 0;
    virtual const char *listPath() const = 0;
    // Where folders are made, and where upload contents go.
    virtual const char *folderPath() const = 0;
    virtual const char *uploadPath() const = 0;
    int nId;
    bool bBrowser;
};

class GoogleService : public OAuthFakeService<FakeGoogle>
{
public:
    explicit GoogleService(bool bBrowser)
        : OAuthFakeService(CloudGoogleDrive, bBrowser)
    {
    }
    QMap<QString, QString> cloudKeys() const override
    {
        return {{"GoogleAccountsHost", fake.base("accounts")}, {"GoogleApiHost", fake.base("api")},
                {"GoogleClientId", fake.oauth.clientId}, {"GoogleClientSecret", fake.oauth.clientSecret},
                {"GoogleSystemBrowser", bBrowser ? "1" : "0"}};
    }
    QString loginTitle() const override { return QStringLiteral("Login GoogleDrive Cloud"); }
    QString treeRoot() const override { return QStringLiteral("My Drive"); }

    QString folderId(const QString &name) const override
    {
        QString at;
        for (const QString &title : name.split('/')) {
            QString next;
            for (const FakeGoogle::Item &item : fake.children(at.isEmpty() ? fake.rootId() : at))
                if (item.title == title && item.mimeType == QLatin1String("application/vnd.google-apps.folder"))
                    next = item.id;
            if (next.isEmpty())
                return QString();
            at = next;
        }
        return at;
    }
    void spoilFolderList() override
    {
        fake.scriptAnswer(QStringLiteral("GET"), QStringLiteral("/drive/v2/files"), 200, "maintenance");
    }
    QString spoiledListMessage() const override { return QStringLiteral("Refresh folder error."); }

    QList<QByteArray> pagesIn(const QString &name) const override
    {
        QList<QByteArray> pages;
        const QString id = folderId(name);
        if (!id.isEmpty())
            for (const FakeGoogle::Item &item : fake.children(id))
                pages << item.data;
        return pages;
    }
    void refuseUploads() override { fake.setUploadRefusal(QStringLiteral("storageQuotaExceeded")); }

protected:
    const char *folderPath() const override { return "/drive/v2/files"; }
    const char *uploadPath() const override { return "/upload/drive/v2/files"; }
    const char *listPath() const override { return "/drive/v2/files"; }
    QByteArray statusAnswer(int status) const override
    {
        // 403 as a full account answers it.
        const QByteArray reason = status == 403 ? "storageQuotaExceeded" : "backendError";
        return R"({"error": {"errors": [{"domain": "global", "reason": ")" + reason + R"("}], "code": )"
               + QByteArray::number(status) + "}}";
    }
    QByteArray endlessPage() const override { return R"({"items": [], "nextPageToken": "more"})"; }
};

class OneDriveService : public OAuthFakeService<FakeGraph>
{
public:
    explicit OneDriveService(bool bBrowser)
        : OAuthFakeService(CloudOneDrive, bBrowser)
    {
    }
    QMap<QString, QString> cloudKeys() const override
    {
        return {{"MicrosoftLoginHost", fake.base("login")}, {"MicrosoftGraphHost", fake.base("graph")},
                {"OneDriveClientId", fake.oauth.clientId}, {"OneDriveClientSecret", fake.oauth.clientSecret},
                {"OneDriveSystemBrowser", bBrowser ? "1" : "0"}};
    }
    QString loginTitle() const override { return QStringLiteral("Login OneDrive Cloud"); }
    QString treeRoot() const override { return QStringLiteral("OneDrive"); }

    QString folderId(const QString &name) const override { return fake.itemAt("/" + name).id; }
    void spoilFolderList() override
    {
        fake.scriptAnswer(QStringLiteral("GET"), QStringLiteral("/v1.0/me/drive"), 200, "maintenance");
    }
    QString spoiledListMessage() const override { return QStringLiteral("Refresh folder error."); }

    QList<QByteArray> pagesIn(const QString &name) const override
    {
        QList<QByteArray> pages;
        const QString id = folderId(name);
        if (!id.isEmpty())
            for (const QString &child : fake.childNames(id))
                pages << fake.itemAt("/" + name + "/" + child).data;
        return pages;
    }
    void refuseUploads() override { fake.setDriveFull(true); }

protected:
    const char *folderPath() const override { return "/children"; }
    const char *uploadPath() const override { return "/up/"; }
    const char *listPath() const override { return "/v1.0/me/drive/items/"; }
    QByteArray statusAnswer(int status) const override
    {
        return R"({"error": {"code": "generalException", "message": ")" + QByteArray::number(status) + R"("}})";
    }
    QByteArray endlessPage() const override
    {
        return R"({"value": [], "@odata.nextLink": ")" + fake.base("graph").toLatin1()
               + R"(/v1.0/me/drive/items/ROOT%210/children?$skiptoken=1"})";
    }
};

// Identifiers of the rows: the service, or for the two that can sign in
// either way, the service and the way.
enum ServiceRow {
    RowGoogleBrowser = CloudGoogleDrive,
    RowOneDriveWebView = CloudOneDrive,
    RowEvernote = CloudEvernote,
    RowDropbox = CloudDropbox,
    RowGoogleWebView = 11,
    RowOneDriveBrowser = 12,
};

inline std::unique_ptr<FakeService> makeFakeService(int row)
{
    switch (row) {
    case RowGoogleBrowser: return std::make_unique<GoogleService>(true);
    case RowGoogleWebView: return std::make_unique<GoogleService>(false);
    case RowOneDriveWebView: return std::make_unique<OneDriveService>(false);
    case RowOneDriveBrowser: return std::make_unique<OneDriveService>(true);
    case RowEvernote: return std::make_unique<EvernoteService>();
    default: return std::make_unique<DropboxService>();
    }
}

// The services the window tests run against, each the way it signs in by
// default; the sign-in tests take the other ways too.
inline QList<int> servicesUnderTest()
{
    return {RowGoogleBrowser, RowOneDriveWebView, RowEvernote, RowDropbox};
}
inline QString rowName(int row)
{
    return makeFakeService(row)->name();
}
inline QList<int> signInWays()
{
    return servicesUnderTest() + QList<int>{RowGoogleWebView, RowOneDriveBrowser};
}
