#pragma once

#include "fakes/fakehttpservice.h"

#include "notestore/notestore_types.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// A small Evernote service on 127.0.0.1, checking what the real one checks.
//
// Sign-in, OAuth 1.0a with PLAINTEXT signatures (RFC 5849):
//   GET /oauth (oauth_callback ...)          --> temporary token and secret
//   GET /OAuth.action?oauth_token=T          --> 302 to the callback with oauth_token and oauth_verifier
//   GET /oauth (oauth_token, oauth_verifier) --> access token, expiry, shard, note store address
// Every leg must carry the consumer key, "PLAINTEXT", the signature
// "enc(consumer secret)&enc(token secret)", a timestamp within five minutes
// and a nonce not used before with the same key, token and timestamp;
// anything else is answered 401 and the reason is kept in refusals().
//
// Note store, POST /shard/s1/notestore, "application/x-thrift": the
// generated processor over strict binary messages, with a handler that keeps
// notebooks and notes, numbers every change with an update sequence number,
// hands notebooks out in chunks and enforces the service's rules (token,
// names, ENML with matching MD5, note size limit, monthly quota).
class FakeEvernote : public FakeHttpService
{
    Q_OBJECT
public:
    struct Call
    {
        QString method;
        int afterUSN = 0;   // getFilteredSyncChunk
        int maxEntries = 0; // getFilteredSyncChunk
    };

    explicit FakeEvernote(QObject *parent = nullptr);
    ~FakeEvernote() override;

    bool start();
    QString base() const;
    QString noteStoreUrl() const;

    // Registration the sign-in must present.
    void setConsumer(const QString &key, const QString &secret);
    // Secret given with every temporary token (Evernote's own is empty).
    void setTemporarySecret(const QString &secret) { strTemporarySecret = secret; }
    // The next temporary token goes out as these bytes, unencoded, as a
    // faulty service might write it.
    void setRawTemporaryToken(const QByteArray &bytes) { rawTemporaryToken = bytes; }
    // The note store address handed out with the access token (empty: this one's).
    void setGrantedNoteStore(const QString &url) { strGrantedNoteStore = url; }
    // The user declines on the authorization page: no verifier.
    void setUserDeclines(bool b) { bUserDeclines = b; }
    QStringList refusals() const { return oauthRefusals; }
    QStringList oauthNonces() const { return nonces; }

    // The token the note store accepts (also what a sign-in hands out).
    QString accessToken() const { return strAccessToken; }
    qint64 tokenExpiresMs() const { return nExpiresMs; }
    void setTokenExpired(bool b) { bTokenExpired = b; } // AUTH_EXPIRED on every call
    void setServiceTimeMs(qint64 ms) { nServiceTimeMs = ms; } // 0: now
    void setNoteSizeLimit(qint64 bytes) { nNoteSizeLimit = bytes; }
    void setMonthlyQuota(qint64 bytes) { nMonthlyQuota = bytes; }
    // Rewrites the answer to one method (junk, truncation, other headers).
    void setAnswerFilter(const QString &method, std::function<QByteArray(QByteArray)> filter);
    // Never answers that method.
    void setHangOn(const QString &method) { strHangOn = method; }
    // Holds createNote calls unanswered (and undone) until holding stops.
    void setHoldNotes(bool b);
    int heldNotes() const { return heldCount(); }
    // The next n createNote calls get an answer that is no note store reply,
    // with this HTTP status.
    void failNextNotes(int n, int status = 200)
    {
        nFailNotes = n;
        nFailStatus = status;
    }
    // The next n createNote calls lose their connection instead of an answer.
    void resetNextNotes(int n) { nResetNotes = n; }

    // The authorization page as a sign-in form (Authorize, Decline) that
    // remembers a signed-in browser by a session cookie and then redirects
    // at once; without it the page redirects at once every time.
    void setSignInForm(bool b) { bSignInForm = b; }
    int signInForms() const { return nSignInForms; }

    edam::Notebook addNotebook(const QString &name, const QString &stack = QString());
    // A change that is not a notebook (a note elsewhere): raises the update count.
    void bumpUpdateCount() { ++nUpdateCount; }

    QList<edam::Notebook> notebooks() const { return notebookList; }
    QList<edam::Note> notes() const { return noteList; }
    QList<Call> calls() const { return callList; }

protected:
    void handle(Request &r) override;

private:
    friend class FakeNoteStoreHandler;

    void oauth(Request &r);
    void authorizePage(Request &r);
    void authorizeForm(Request &r);
    QByteArray authorizeRedirect(const QString &token, bool bAllowed);
    void noteStore(Request &r);
    bool verifySignedRequest(const QUrlQuery &query, const QString &tokenSecret, QString &why);
    qint64 serviceTimeMs() const;
    QString newGuid();

    QString strConsumerKey = QStringLiteral("tam-vek");
    QString strConsumerSecret = QStringLiteral("5d0f1e93ab7c2e68");
    QString strTemporarySecret = QStringLiteral("tsec-4711");
    QByteArray rawTemporaryToken;
    QString strGrantedNoteStore;
    bool bUserDeclines = false;
    QHash<QString, QString> temporaryTokens; // token -> verifier, once authorized
    QHash<QString, QString> callbacks;        // token -> callback
    QSet<QString> usedNonces;                 // key|token|timestamp|nonce
    QStringList nonces;
    QStringList oauthRefusals;

    QString strAccessToken = QStringLiteral("S=s1:U=1f2e3:E=fake:C=token:P=1cd:A=lumerith:H=0a1b");
    qint64 nExpiresMs = 0;
    bool bTokenExpired = false;
    qint64 nServiceTimeMs = 0;
    qint64 nNoteSizeLimit = 25 * 1024 * 1024;
    qint64 nMonthlyQuota = 60 * 1024 * 1024;
    qint64 nUploaded = 0;
    QHash<QString, std::function<QByteArray(QByteArray)>> filters;
    QString strHangOn;
    bool bHoldNotes = false;
    int nFailNotes = 0;
    int nFailStatus = 200;
    int nResetNotes = 0;
    bool bSignInForm = false;
    int nSignInForms = 0;
    QSet<QString> sessions; // cookies of signed-in browsers

    int nUpdateCount = 0;
    int nextGuid = 1;
    QList<edam::Notebook> notebookList;
    QList<edam::Note> noteList;
    QList<Call> callList;
};
