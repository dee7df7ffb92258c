#include "fakes/fakeevernote.h"

#include "notestore/NoteStore.h"

#include <thrift/protocol/TBinaryProtocol.h>
#include <thrift/transport/TBufferTransports.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QRandomGenerator>
#include <QXmlStreamReader>

#include <algorithm>

using apache::thrift::protocol::TBinaryProtocol;
using apache::thrift::transport::TMemoryBuffer;

namespace {
const char kNoteStorePath[] = "/shard/s1/notestore";

QByteArray enc(const QString &s)
{
    return QUrl::toPercentEncoding(s);
}

std::string toStd(const QString &s)
{
    return s.toStdString();
}

[[noreturn]] void userError(edam::EDAMErrorCode::type code, const char *parameter)
{
    edam::EDAMUserException e;
    e.errorCode = code;
    e.__set_parameter(parameter);
    throw e;
}

// Evernote's rule for names and titles: no surrounding blanks, length in range.
bool validText(const std::string &text, int maxChars)
{
    const QString s = QString::fromStdString(text);
    return !s.isEmpty() && s.size() <= maxChars && s.trimmed() == s;
}

std::string md5(const std::string &bytes)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Md5).toStdString();
}

// ENML with its document type; every en-media must name a resource of the
// note by its MD5 and type.
bool validEnml(const edam::Note &note)
{
    const QByteArray content = QByteArray::fromStdString(note.content);
    if (!content.startsWith("<?xml") || !content.contains("<!DOCTYPE en-note SYSTEM \"http://xml.evernote.com/pub/enml2.dtd\">"))
        return false;
    QXmlStreamReader xml(content);
    bool root = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (!root) {
            if (xml.name() != QLatin1String("en-note"))
                return false;
            root = true;
        } else if (xml.name() == QLatin1String("en-media")) {
            const QByteArray hash = QByteArray::fromHex(xml.attributes().value("hash").toLatin1());
            const std::string type = xml.attributes().value("type").toString().toStdString();
            const bool found = std::any_of(note.resources.begin(), note.resources.end(), [&](const edam::Resource &r) {
                return md5(r.data.body) == hash.toStdString() && r.mime == type;
            });
            if (!found)
                return false;
        }
    }
    return root && !xml.hasError();
}
} // namespace

class FakeNoteStoreHandler : public edam::NoteStoreIf
{
public:
    explicit FakeNoteStoreHandler(FakeEvernote &fake)
        : fake(fake)
    {
    }

    void getSyncState(edam::SyncState &state, const std::string &token) override
    {
        checkToken(token);
        state.currentTime = fake.serviceTimeMs();
        state.fullSyncBefore = 0;
        state.updateCount = fake.nUpdateCount;
        state.__set_uploaded(fake.nUploaded);
    }

    void getFilteredSyncChunk(edam::SyncChunk &chunk, const std::string &token, const int32_t afterUSN,
                              const int32_t maxEntries, const edam::SyncChunkFilter &filter) override
    {
        checkToken(token);
        fake.callList.last().afterUSN = afterUSN;
        fake.callList.last().maxEntries = maxEntries;
        if (maxEntries < 1 || afterUSN < 0)
            userError(edam::EDAMErrorCode::BAD_DATA_FORMAT, "maxEntries");
        chunk.currentTime = fake.serviceTimeMs();
        chunk.updateCount = fake.nUpdateCount;
        if (!filter.includeNotebooks)
            return;
        QList<edam::Notebook> newer;
        for (const edam::Notebook &nb : fake.notebookList) {
            if (nb.updateSequenceNum > afterUSN)
                newer.append(nb);
        }
        std::sort(newer.begin(), newer.end(), [](const edam::Notebook &a, const edam::Notebook &b) {
            return a.updateSequenceNum < b.updateSequenceNum;
        });
        newer = newer.mid(0, maxEntries);
        // Unset when the chunk holds nothing, as the service does.
        if (!newer.isEmpty()) {
            chunk.__set_notebooks(std::vector<edam::Notebook>(newer.begin(), newer.end()));
            chunk.__set_chunkHighUSN(newer.last().updateSequenceNum);
        }
    }

    void createNotebook(edam::Notebook &created, const std::string &token, const edam::Notebook &notebook) override
    {
        checkToken(token);
        if (!notebook.__isset.name || !validText(notebook.name, 100))
            userError(edam::EDAMErrorCode::BAD_DATA_FORMAT, "Notebook.name");
        if (notebook.__isset.stack && !validText(notebook.stack, 100))
            userError(edam::EDAMErrorCode::BAD_DATA_FORMAT, "Notebook.stack");
        const QString name = QString::fromStdString(notebook.name);
        for (const edam::Notebook &nb : fake.notebookList) {
            if (QString::fromStdString(nb.name).compare(name, Qt::CaseInsensitive) == 0)
                userError(edam::EDAMErrorCode::DATA_CONFLICT, "Notebook.name");
        }
        if (fake.notebookList.size() >= 250)
            userError(edam::EDAMErrorCode::LIMIT_REACHED, "Notebook");
        created = fake.addNotebook(name, notebook.__isset.stack ? QString::fromStdString(notebook.stack) : QString());
    }

    void createNote(edam::Note &created, const std::string &token, const edam::Note &note) override
    {
        checkToken(token);
        if (!note.__isset.title || !validText(note.title, 255))
            userError(edam::EDAMErrorCode::BAD_DATA_FORMAT, "Note.title");
        const bool notebookKnown = std::any_of(fake.notebookList.begin(), fake.notebookList.end(),
                                               [&](const edam::Notebook &nb) { return nb.guid == note.notebookGuid; });
        if (!notebookKnown) {
            edam::EDAMNotFoundException e;
            e.__set_identifier("Note.notebookGuid");
            e.__set_key(note.notebookGuid);
            throw e;
        }
        qint64 size = qint64(note.content.size());
        for (const edam::Resource &r : note.resources) {
            if (!r.data.__isset.body || r.data.size != int32_t(r.data.body.size()))
                userError(edam::EDAMErrorCode::BAD_DATA_FORMAT, "Resource.data.size");
            if (r.data.__isset.bodyHash && r.data.bodyHash != md5(r.data.body))
                userError(edam::EDAMErrorCode::BAD_DATA_FORMAT, "Resource.data.bodyHash");
            size += qint64(r.data.body.size());
        }
        if (!note.__isset.content || !validEnml(note))
            userError(edam::EDAMErrorCode::ENML_VALIDATION, "Note.content");
        if (size > fake.nNoteSizeLimit)
            userError(edam::EDAMErrorCode::LIMIT_REACHED, "Note.size");
        if (fake.nUploaded + size > fake.nMonthlyQuota)
            userError(edam::EDAMErrorCode::QUOTA_REACHED, "Accounting.uploadLimit");
        fake.nUploaded += size;
        edam::Note stored = note;
        stored.__set_guid(toStd(fake.newGuid()));
        stored.__set_updateSequenceNum(++fake.nUpdateCount);
        for (edam::Resource &r : stored.resources)
            r.data.__set_bodyHash(md5(r.data.body));
        fake.noteList.append(stored);
        created = stored;
        // The service answers without the bodies.
        for (edam::Resource &r : created.resources) {
            r.data.__isset.body = false;
            r.data.body.clear();
        }
    }

private:
    void checkToken(const std::string &token) const
    {
        if (token != toStd(fake.strAccessToken))
            userError(edam::EDAMErrorCode::INVALID_AUTH, "authenticationToken");
        if (fake.bTokenExpired || fake.serviceTimeMs() > fake.nExpiresMs)
            userError(edam::EDAMErrorCode::AUTH_EXPIRED, "authenticationToken");
    }

    FakeEvernote &fake;
};

FakeEvernote::FakeEvernote(QObject *parent)
    : FakeHttpService(parent)
    , nExpiresMs(QDateTime::currentMSecsSinceEpoch() + 365LL * 24 * 3600 * 1000)
{
}

FakeEvernote::~FakeEvernote() = default;

bool FakeEvernote::start()
{
    return listen({QStringLiteral("evernote")});
}

QString FakeEvernote::base() const
{
    return FakeHttpService::base(QStringLiteral("evernote"));
}

QString FakeEvernote::noteStoreUrl() const
{
    return base() + QLatin1String(kNoteStorePath);
}

void FakeEvernote::setConsumer(const QString &key, const QString &secret)
{
    strConsumerKey = key;
    strConsumerSecret = secret;
}

void FakeEvernote::setAnswerFilter(const QString &method, std::function<QByteArray(QByteArray)> filter)
{
    filters.insert(method, std::move(filter));
}

qint64 FakeEvernote::serviceTimeMs() const
{
    return nServiceTimeMs ? nServiceTimeMs : QDateTime::currentMSecsSinceEpoch();
}

QString FakeEvernote::newGuid()
{
    return QStringLiteral("00000000-0000-4000-8000-%1").arg(nextGuid++, 12, 10, QLatin1Char('0'));
}

edam::Notebook FakeEvernote::addNotebook(const QString &name, const QString &stack)
{
    edam::Notebook nb;
    nb.__set_guid(toStd(newGuid()));
    nb.__set_name(toStd(name));
    if (!stack.isEmpty())
        nb.__set_stack(toStd(stack));
    nb.__set_updateSequenceNum(++nUpdateCount);
    nb.__set_defaultNotebook(notebookList.isEmpty());
    nb.__set_serviceCreated(serviceTimeMs());
    nb.__set_serviceUpdated(serviceTimeMs());
    notebookList.append(nb);
    return nb;
}

void FakeEvernote::handle(Request &r)
{
    if (r.path == QLatin1String("/oauth") && r.method == QLatin1String("GET"))
        oauth(r);
    else if (r.path == QLatin1String("/OAuth.action") && r.method == QLatin1String("GET"))
        authorizePage(r);
    else if (r.path == QLatin1String("/OAuth.action") && r.method == QLatin1String("POST"))
        authorizeForm(r);
    else if (r.path == QLatin1String(kNoteStorePath) && r.method == QLatin1String("POST"))
        noteStore(r);
    else
        answer(r, 404, "<html><body>Not found</body></html>", {{"Content-Type", "text/html"}});
}

bool FakeEvernote::verifySignedRequest(const QUrlQuery &query, const QString &tokenSecret, QString &why)
{
    const auto value = [&](const char *name) { return query.queryItemValue(QLatin1String(name), QUrl::FullyDecoded); };
    bool ok = false;
    const qint64 timestamp = value("oauth_timestamp").toLongLong(&ok);
    const QString nonceKey = value("oauth_consumer_key") + '|' + value("oauth_token") + '|'
                             + value("oauth_timestamp") + '|' + value("oauth_nonce");
    if (value("oauth_consumer_key") != strConsumerKey)
        why = QStringLiteral("consumer_key_unknown");
    else if (value("oauth_signature_method") != QLatin1String("PLAINTEXT"))
        why = QStringLiteral("signature_method_rejected");
    else if (value("oauth_signature") != QString::fromLatin1(enc(strConsumerSecret) + '&' + enc(tokenSecret)))
        why = QStringLiteral("signature_invalid");
    else if (!ok || qAbs(timestamp - QDateTime::currentSecsSinceEpoch()) > 300)
        why = QStringLiteral("timestamp_refused");
    else if (value("oauth_nonce").isEmpty() || usedNonces.contains(nonceKey))
        why = QStringLiteral("nonce_used");
    if (!why.isEmpty())
        return false;
    usedNonces.insert(nonceKey);
    nonces.append(value("oauth_nonce"));
    return true;
}

void FakeEvernote::oauth(Request &r)
{
    const QUrlQuery &query = r.query;
    const QString token = query.queryItemValue(QStringLiteral("oauth_token"), QUrl::FullyDecoded);
    QString why;
    QByteArray answer;
    if (token.isEmpty()) {
        const QString callback = query.queryItemValue(QStringLiteral("oauth_callback"), QUrl::FullyDecoded);
        if (callback.isEmpty())
            why = QStringLiteral("parameter_absent");
        else if (verifySignedRequest(query, QString(), why)) {
            const QString temporary = QStringLiteral("lumerith.%1.%2").arg(nextGuid++).arg(QRandomGenerator::global()->generate(), 0, 16);
            callbacks.insert(temporary, callback);
            answer = "oauth_token=" + (rawTemporaryToken.isEmpty() ? enc(temporary) : rawTemporaryToken)
                     + "&oauth_token_secret=" + enc(strTemporarySecret) + "&oauth_callback_confirmed=true";
            rawTemporaryToken.clear();
        }
    } else {
        const QString verifier = query.queryItemValue(QStringLiteral("oauth_verifier"), QUrl::FullyDecoded);
        if (!temporaryTokens.contains(token))
            why = QStringLiteral("token_rejected");
        else if (verifier.isEmpty() || verifier != temporaryTokens.value(token))
            why = QStringLiteral("verifier_invalid");
        else if (verifySignedRequest(query, strTemporarySecret, why)) {
            temporaryTokens.remove(token);
            callbacks.remove(token);
            answer = "oauth_token=" + enc(strAccessToken) + "&oauth_token_secret=&edam_shard=s1&edam_userId=123456"
                     + "&edam_expires=" + QByteArray::number(nExpiresMs) + "&edam_noteStoreUrl="
                     + enc(strGrantedNoteStore.isEmpty() ? noteStoreUrl() : strGrantedNoteStore)
                     + "&edam_webApiUrlPrefix=" + enc(base() + "/shard/s1/");
        }
    }
    const QList<QPair<QByteArray, QByteArray>> form{{"Content-Type", "application/x-www-form-urlencoded"}};
    if (!why.isEmpty()) {
        oauthRefusals.append(why);
        FakeHttpService::answer(r, 401, "oauth_problem=" + why.toLatin1(), form);
        return;
    }
    FakeHttpService::answer(r, 200, answer, form);
}

QByteArray FakeEvernote::authorizeRedirect(const QString &token, bool bAllowed)
{
    QByteArray location = callbacks.value(token).toUtf8() + "?oauth_token=" + enc(token);
    if (bAllowed) {
        const QString verifier = QString::number(QRandomGenerator::global()->generate64(), 16).toUpper();
        temporaryTokens.insert(token, verifier);
        location += "&oauth_verifier=" + enc(verifier) + "&sandbox_lnb=false";
    }
    return location;
}

void FakeEvernote::authorizePage(Request &r)
{
    const QList<QPair<QByteArray, QByteArray>> html{{"Content-Type", "text/html"}};
    const QString token = r.query.queryItemValue(QStringLiteral("oauth_token"), QUrl::FullyDecoded);
    if (!callbacks.contains(token)) {
        answer(r, 400, "<html><body>Unknown request token</body></html>", html);
        return;
    }
    bool remembered = false;
    for (const QByteArray &cookie : r.header("cookie").split(';')) {
        const QByteArray pair = cookie.trimmed();
        remembered = remembered || (pair.startsWith("session=") && sessions.contains(QString::fromLatin1(pair.mid(8))));
    }
    if (bSignInForm && !remembered) {
        ++nSignInForms;
        const QByteArray page = "<!DOCTYPE html><html><head><title>Sign in</title></head><body>"
                                "<form method=\"POST\" action=\"/OAuth.action\">"
                                "<input type=\"hidden\" name=\"oauth_token\" value=\"" + enc(token) + "\">"
                                "<input name=\"username\" id=\"username\"><input type=\"password\" name=\"password\">"
                                "<button type=\"submit\" id=\"allow\" name=\"authorize\" value=\"1\">Authorize</button>"
                                "<button type=\"submit\" id=\"deny\" name=\"decline\" value=\"1\">Decline</button>"
                                "</form></body></html>";
        answer(r, 200, page, html);
        return;
    }
    answer(r, 302, QByteArray(), html + QList<QPair<QByteArray, QByteArray>>{{"Location", authorizeRedirect(token, !bUserDeclines)}});
}

void FakeEvernote::authorizeForm(Request &r)
{
    const QUrlQuery form(QString::fromLatin1(r.body).replace('+', ' '));
    const QString token = form.queryItemValue(QStringLiteral("oauth_token"), QUrl::FullyDecoded);
    if (!callbacks.contains(token)) {
        answer(r, 400, "<html><body>Unknown request token</body></html>", {{"Content-Type", "text/html"}});
        return;
    }
    const bool allowed = form.hasQueryItem(QStringLiteral("authorize"));
    QList<QPair<QByteArray, QByteArray>> headers{{"Content-Type", "text/html"}, {"Location", authorizeRedirect(token, allowed)}};
    if (allowed) {
        // The browser stays signed in: the next visit is not asked again.
        const QString session = QString::number(QRandomGenerator::global()->generate64(), 16);
        sessions.insert(session);
        headers.append({"Set-Cookie", "session=" + session.toLatin1() + "; Path=/; Max-Age=86400"});
    }
    answer(r, 302, QByteArray(), headers);
}

void FakeEvernote::setHoldNotes(bool b)
{
    bHoldNotes = b;
    if (!b)
        releaseHeld();
}

void FakeEvernote::noteStore(Request &r)
{
    const QList<QPair<QByteArray, QByteArray>> thrift{{"Content-Type", "application/x-thrift"}};
    if (r.header("content-type") != "application/x-thrift") {
        answer(r, 415, "<html><body>Unsupported media type</body></html>", {{"Content-Type", "text/html"}});
        return;
    }
    const auto bodyBuffer = [&r]() {
        return std::make_shared<TMemoryBuffer>(reinterpret_cast<uint8_t *>(const_cast<char *>(r.body.data())),
                                               uint32_t(r.body.size()));
    };
    auto out = std::make_shared<TMemoryBuffer>();
    std::string method;
    try {
        // Only strict messages: what the service's own clients send.
        TBinaryProtocol peek(bodyBuffer(), 0, 0, true, true);
        apache::thrift::protocol::TMessageType type;
        int32_t seqid = 0;
        peek.readMessageBegin(method, type, seqid);
        if (method == "createNote" && bHoldNotes) {
            r.bHold = true;
            return;
        }
        callList.append({QString::fromStdString(method), 0, 0});
        if (QString::fromStdString(method) == strHangOn) {
            r.bHang = true;
            return;
        }
        if (method == "createNote" && nFailNotes > 0) {
            --nFailNotes;
            answer(r, nFailStatus, "service unavailable", thrift);
            return;
        }
        if (method == "createNote" && nResetNotes > 0) {
            --nResetNotes;
            r.bReset = true;
            return;
        }
        edam::NoteStoreProcessor processor(std::make_shared<FakeNoteStoreHandler>(*this));
        processor.process(std::make_shared<TBinaryProtocol>(bodyBuffer(), 0, 0, true, true), std::make_shared<TBinaryProtocol>(out),
                          nullptr);
    } catch (const apache::thrift::TException &e) {
        answer(r, 400, QByteArray("<html><body>") + e.what() + "</body></html>", {{"Content-Type", "text/html"}});
        return;
    }
    QByteArray reply = QByteArray::fromStdString(out->getBufferAsString());
    const auto filter = filters.value(QString::fromStdString(method));
    if (filter)
        reply = filter(reply);
    answer(r, 200, reply, thrift);
}
