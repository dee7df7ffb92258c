// The request plumbing: the blocking client used from a worker thread, and
// the asynchronous managers' reply map, time-out, cancel and proxy rules.
#include "cloud/cloudservice.h"
#include "cloud/dropbox/dropboxmanager.h"
#include "cloud/google/googlemanager.h"
#include "cloud/httpclient.h"
#include "cloud/requesttimeout.h"
#include "cloudtestenv.h"
#include "fakes/fakedropbox.h"

#include <QJsonDocument>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>

namespace {
// One postAndWait on a thread of its own, as the cloud worker thread does it.
class BlockingPost
{
public:
    BlockingPost(HttpClient &client, QNetworkRequest request, QByteArray body)
    {
        thread.reset(QThread::create([this, &client, request, body]() {
            code = client.postAndWait(request, body, response);
            done = true;
        }));
        thread->start();
    }
    ~BlockingPost() { thread->wait(); }

    std::atomic<bool> done{false};
    std::atomic<int> code{1};
    QByteArray response;

private:
    std::unique_ptr<QThread> thread;
};

QNetworkRequest apiRequest(const QString &base, const QString &path, const QByteArray &token = "fake-token")
{
    QNetworkRequest request(QUrl(base + path));
    request.setRawHeader("Authorization", "Bearer " + token);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    return request;
}

const QByteArray kListBody = R"({"path": "", "recursive": true})";

// Records what each finished reply looked like to a derived class.
class RecordingManager : public DropboxManager
{
public:
    struct Seen
    {
        int kind;
        int errorCode;
        QNetworkReply::NetworkError error;
    };
    QList<Seen> seen;

    void finishedRequest() override
    {
        stopTimer();
        auto *reply = qobject_cast<QNetworkReply *>(sender());
        seen << Seen{takeRequestKind(reply), errorCode(), reply->error()};
        reply->close();
        reply->deleteLater();
    }
};
} // namespace

class TestHttpClient : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void blockingPostReturnsBody();
    void blockingPostHttpErrorKeepsBody();
    void blockingCancelGivesMinusSix();
    void blockingStallTimesOutThenWorksAgain();
    void blockingSlowButSteadyCompletes();
    void managerRegistersKinds();
    void managerTimeoutAbortsEveryReply();
    void managerCancelIsNotATimeout();
    void managerMethods();

private:
    std::unique_ptr<FakeDropbox> fake;
};

void TestHttpClient::init()
{
    fake.reset(new FakeDropbox);
    QVERIFY(fake->start());
    QVERIFY(setUpCloudConfig({{"DropboxApiHost", fake->apiBase()}, {"DropboxContentHost", fake->contentBase()}}));
    fake->addFolder("/Scan");
}

void TestHttpClient::cleanup()
{
    fake.reset();
}

void TestHttpClient::blockingPostReturnsBody()
{
    HttpClient client;
    BlockingPost post(client, apiRequest(fake->apiBase(), "/2/files/list_folder"), kListBody);
    QTRY_VERIFY(post.done);
    QCOMPARE(post.code.load(), 0);
    QVERIFY(QJsonDocument::fromJson(post.response).object().contains("entries"));
    QVERIFY(!client.isBusy());
}

void TestHttpClient::blockingPostHttpErrorKeepsBody()
{
    HttpClient client;
    BlockingPost post(client, apiRequest(fake->apiBase(), "/2/files/list_folder", "wrong"), kListBody);
    QTRY_VERIFY(post.done);
    QCOMPARE(post.code.load(), -203);
    QVERIFY(post.response.contains("invalid_access_token"));
}

void TestHttpClient::blockingCancelGivesMinusSix()
{
    fake->setHang(true);
    HttpClient client;
    BlockingPost post(client, apiRequest(fake->apiBase(), "/2/files/list_folder"), kListBody);
    QTRY_VERIFY(fake->openConnections() > 0);
    QTest::qWait(100);
    QVERIFY(!post.done);
    // From this (the owner's) thread, while the worker waits.
    client.cancelRequest();
    QTRY_VERIFY(post.done);
    QCOMPARE(post.code.load(), -6);
}

void TestHttpClient::blockingStallTimesOutThenWorksAgain()
{
    ScopedCloudRequestTimeout shortTimeout(600);
    HttpClient client;
    fake->setHang(true);
    {
        BlockingPost post(client, apiRequest(fake->apiBase(), "/2/files/list_folder"), kListBody);
        QTRY_VERIFY_WITH_TIMEOUT(post.done, 10000);
        QCOMPARE(post.code.load(), -212);
    }
    fake->setHang(false);
    BlockingPost again(client, apiRequest(fake->apiBase(), "/2/files/list_folder"), kListBody);
    QTRY_VERIFY(again.done);
    QCOMPARE(again.code.load(), 0);
}

void TestHttpClient::blockingSlowButSteadyCompletes()
{
    // See tst_dropboxfile: a rate that drains the loopback socket buffers well within the time-out.
    fake->setSlowRead(200 * 1024);
    ScopedCloudRequestTimeout shortTimeout(2000);
    QNetworkRequest request(QUrl(fake->contentBase() + "/2/files/upload_session/start"));
    request.setRawHeader("Authorization", "Bearer fake-token");
    request.setRawHeader("Dropbox-API-Arg", R"({"close":false})");
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/octet-stream");
    HttpClient client;
    QElapsedTimer clock;
    clock.start();
    BlockingPost post(client, request, QByteArray(12 * 1024 * 1024, 'x'));
    QTRY_VERIFY_WITH_TIMEOUT(post.done, 30000);
    QCOMPARE(post.code.load(), 0);
    QVERIFY(clock.elapsed() > 2000);
    QVERIFY(post.response.contains("session_id"));
}

void TestHttpClient::managerRegistersKinds()
{
    storeDropboxToken("fake-token");
    RecordingManager manager;
    manager.postRequest(apiRequest(fake->apiBase(), "/2/files/list_folder"), kListBody, RequestListFolders);
    manager.postRequest(apiRequest(fake->apiBase(), "/2/files/create_folder_v2"), R"({"path":"/New"})", RequestCreateFolder);
    QCOMPARE(manager.pendingRequestCount(), 2);
    QTRY_COMPARE(manager.seen.size(), 2);
    QList<int> kinds{manager.seen.at(0).kind, manager.seen.at(1).kind};
    std::sort(kinds.begin(), kinds.end());
    QCOMPARE(kinds, (QList<int>{RequestCreateFolder, RequestListFolders}));
    QCOMPARE(manager.pendingRequestCount(), 0);
    // A reply that was never registered has no kind.
    QCOMPARE(manager.takeRequestKind(nullptr), 0);
}

void TestHttpClient::managerTimeoutAbortsEveryReply()
{
    fake->setHang(true);
    ScopedCloudRequestTimeout shortTimeout(500);
    RecordingManager manager;
    for (int i = 0; i < 3; ++i)
        manager.postRequest(apiRequest(fake->apiBase(), "/2/files/list_folder"), kListBody, RequestListFolders);
    QTRY_COMPARE_WITH_TIMEOUT(manager.seen.size(), 3, 10000);
    for (const RecordingManager::Seen &s : manager.seen) {
        QCOMPARE(s.kind, int(RequestListFolders));
        QCOMPARE(s.errorCode, -212);
        QCOMPARE(s.error, QNetworkReply::OperationCanceledError);
    }
    QCOMPARE(manager.pendingRequestCount(), 0);
}

void TestHttpClient::managerCancelIsNotATimeout()
{
    fake->setHang(true);
    RecordingManager manager;
    manager.postRequest(apiRequest(fake->apiBase(), "/2/files/list_folder"), kListBody, RequestListFolders);
    manager.postRequest(apiRequest(fake->apiBase(), "/2/files/list_folder"), kListBody, RequestListFolders);
    QTRY_VERIFY(fake->openConnections() > 0);
    manager.abortAllReplies();
    QTRY_COMPARE(manager.seen.size(), 2);
    QCOMPARE(manager.seen.at(0).errorCode, 0);
    QCOMPARE(manager.seen.at(0).error, QNetworkReply::OperationCanceledError);
}

void TestHttpClient::managerMethods()
{
    GoogleManager google;
    google.getRequest(apiRequest(fake->apiBase(), "/2/files/list_folder"), RequestListFolders);
    google.putRequest(apiRequest(fake->apiBase(), "/2/files/list_folder"), "abc", RequestUploadData);
    google.postRequest(apiRequest(fake->apiBase(), "/2/files/list_folder"), kListBody, RequestListFolders);
    QTRY_COMPARE(fake->requests().size(), 3);
    QStringList methods;
    for (const FakeDropbox::Request &r : fake->requests())
        methods << r.method;
    methods.sort();
    QCOMPARE(methods, (QStringList{"GET", "POST", "PUT"}));
    QTRY_COMPARE(google.pendingRequestCount(), 3); // the base class leaves finished replies to derived classes
    google.abortAllReplies();
}

QTEST_MAIN(TestHttpClient)
#include "tst_httpclient.moc"
