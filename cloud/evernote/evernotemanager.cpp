#include "cloud/evernote/evernotemanager.h"

#include "cloud/cloudconfig.h"
#include "cloud/cloudservice.h"
#include "cloud/evernote/evernoteauthorization.h"

#include "notestore/NoteStore.h"

#include <thrift/TConfiguration.h>
#include <thrift/protocol/TBinaryProtocol.h>
#include <thrift/transport/TBufferTransports.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QNetworkRequest>
#include <QThread>
#include <QTreeWidgetItem>
#include <QXmlStreamWriter>
#include <QtEndian>

#include <memory>

using apache::thrift::TConfiguration;
using apache::thrift::protocol::TBinaryProtocol;
using apache::thrift::transport::TMemoryBuffer;

namespace {
const int kChunkEntries = 50;
// A note may be up to 200 MiB on some accounts; its encoded call is a little more.
const int kMaxCallBytes = 256 * 1024 * 1024;

QString fromStd(const std::string &text)
{
    return QString::fromStdString(text);
}

// The answer must be a reply (or the service's exception message) to the
// call just sent, with the sequence id it carried (0). The strict binary
// header is read here rather than through the protocol, which would hold
// the type byte, whatever it is, in its message type enum.
bool isReplyTo(const QByteArray &answer, const char *method)
{
    const QByteArray name(method);
    if (answer.size() < 12 + name.size())
        return false;
    const quint32 versionAndType = qFromBigEndian<quint32>(answer.constData());
    const quint32 type = versionAndType & 0xffu;
    return (versionAndType & 0xffff0000u) == 0x80010000u
           && (type == apache::thrift::protocol::T_REPLY || type == apache::thrift::protocol::T_EXCEPTION)
           && qFromBigEndian<qint32>(answer.constData() + 4) == name.size() && answer.mid(8, name.size()) == name
           && qFromBigEndian<qint32>(answer.constData() + 8 + name.size()) == 0;
}
} // namespace

EvernoteManager::EvernoteManager(QObject *parent)
    : QObject(parent)
{
}

EvernoteManager::~EvernoteManager() = default;

bool EvernoteManager::aborted() const
{
    return bAbort || QThread::currentThread()->isInterruptionRequested();
}

void EvernoteManager::abortRequest()
{
    qDebug() << "EvernoteManager::abortRequest";
    bAbort = true;
    httpClient.cancelRequest();
}

int EvernoteManager::call(const Session &session, const char *method, int nUnreadable, const ServiceCode &serviceCode,
                          const Send &send, const Receive &receive)
{
    // A cancel that came between two calls, or before the first.
    if (aborted())
        return -6;
    QByteArray answer;
    try {
        auto outBuffer = std::make_shared<TMemoryBuffer>(
            std::make_shared<TConfiguration>(kMaxCallBytes, kMaxCallBytes));
        auto inBuffer = std::make_shared<TMemoryBuffer>();
        auto inProtocol = std::make_shared<TBinaryProtocol>(inBuffer, 0, 0, true, true);
        edam::NoteStoreClient client(inProtocol, std::make_shared<TBinaryProtocol>(outBuffer));
        send(client);
        const std::string body = outBuffer->getBufferAsString();
        outBuffer.reset();

        QNetworkRequest request(session.noteStoreUrl);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-thrift"));
        request.setRawHeader("Accept", "application/x-thrift");
        const int code = httpClient.postAndWait(request, QByteArray::fromStdString(body), answer);
        if (code != 0)
            return code;
        // The cancel may have come just as the request was being started.
        if (aborted())
            return -6;
        if (!isReplyTo(answer, method)) {
            qWarning() << "Not a note store reply to" << method << "bytes:" << answer.size();
            return nUnreadable;
        }
        inBuffer->resetBuffer(reinterpret_cast<uint8_t *>(answer.data()), uint32_t(answer.size()),
                              TMemoryBuffer::OBSERVE);
        // Nothing in the answer can be longer than the answer itself.
        inProtocol->setStringSizeLimit(answer.size());
        inProtocol->setContainerSizeLimit(answer.size());
        receive(client);
        return 0;
    } catch (const edam::EDAMUserException &e) {
        qDebug() << "Post error message:" << int(e.errorCode) << fromStd(e.parameter);
        return serviceCode(e.errorCode);
    } catch (const edam::EDAMSystemException &e) {
        qDebug() << "Post error message:" << int(e.errorCode) << fromStd(e.message);
        qDebug() << "Post limit duratio:" << e.rateLimitDuration;
        return serviceCode(e.errorCode);
    } catch (const edam::EDAMNotFoundException &e) {
        qDebug() << "Post error message:" << fromStd(e.identifier) << fromStd(e.key);
        return serviceCode(0);
    } catch (const std::exception &e) {
        // Transport, protocol and application exceptions: an unreadable answer.
        qWarning() << "Unreadable note store answer to" << method << e.what();
        return nUnreadable;
    }
}

int EvernoteManager::checkToken(Session &session, UserInfo *info)
{
    EvernoteAuthorization authorization;
    const QString token = authorization.accessToken();
    const QUrl url(authorization.noteStoreUrl(), QUrl::StrictMode);
    // The token goes to the note store address, so never in clear text to another machine.
    if (token.isEmpty() || !isAcceptableCloudHost(url)) {
        qDebug() << "Not signed in";
        return -200;
    }
    session.token = token.toStdString();
    session.noteStoreUrl = url;

    edam::SyncState state;
    // An expired or revoked token is answered with an exception, not a state.
    const int code = call(
        session, "getSyncState", -200, [](int) { return -200; },
        [&](edam::NoteStoreClient &c) { c.send_getSyncState(session.token); },
        [&](edam::NoteStoreClient &c) { c.recv_getSyncState(state); });
    if (code != 0)
        return code;
    // The service's clock decides, not this machine's.
    if (authorization.expiresIn() < state.currentTime / 1000) {
        qDebug() << "Token expired";
        return -200;
    }
    if (info) {
        info->serviceTime = state.currentTime;
        info->uploaded = state.uploaded;
        info->updateCount = state.updateCount;
    }
    return 0;
}

int EvernoteManager::listAllFolders()
{
    qDebug() << "EvernoteManager::listAllFolders";
    bAbort = false;
    Session session;
    int code = checkToken(session);
    if (code != 0)
        return code;

    pendingNotebooks.clear();
    edam::SyncChunkFilter filter;
    filter.__set_includeNotes(false);
    filter.__set_includeNoteResources(false);
    filter.__set_includeNoteAttributes(true);
    filter.__set_includeNotebooks(true);
    filter.__set_includeTags(false);
    filter.__set_includeSearches(false);
    filter.__set_includeLinkedNotebooks(true);
    filter.__set_includeNoteApplicationDataFullMap(true);
    filter.__set_includeNoteResourceApplicationDataFullMap(true);

    int afterUSN = 0;
    QHash<QString, int> pendingByGuid;
    for (;;) {
        edam::SyncChunk chunk;
        code = call(
            session, "getFilteredSyncChunk", -203, [](int) { return -203; },
            [&](edam::NoteStoreClient &c) { c.send_getFilteredSyncChunk(session.token, afterUSN, kChunkEntries, filter); },
            [&](edam::NoteStoreClient &c) { c.recv_getFilteredSyncChunk(chunk); });
        if (code != 0) {
            pendingNotebooks.clear();
            return code;
        }
        for (const edam::Notebook &nb : chunk.notebooks) {
            if (!nb.__isset.guid || nb.guid.empty())
                continue;
            const EvernoteNotebook entry{fromStd(nb.guid), fromStd(nb.name), nb.__isset.stack ? fromStd(nb.stack) : QString()};
            // A notebook changed while the listing ran comes again: keep the newer one.
            const auto known = pendingByGuid.constFind(entry.guid);
            if (known != pendingByGuid.constEnd()) {
                pendingNotebooks[*known] = entry;
            } else {
                pendingByGuid.insert(entry.guid, pendingNotebooks.size());
                pendingNotebooks.append(entry);
            }
        }
        // A chunk that holds nothing has no high USN: the listing is complete.
        if (!chunk.__isset.chunkHighUSN || chunk.chunkHighUSN >= chunk.updateCount)
            break;
        if (chunk.chunkHighUSN <= afterUSN) {
            qWarning() << "Listing does not advance past" << afterUSN;
            pendingNotebooks.clear();
            return -203;
        }
        afterUSN = chunk.chunkHighUSN;
    }
    QMutexLocker lock(&mutex);
    notebooks = pendingNotebooks;
    indexNotebooks();
    pendingNotebooks.clear();
    qDebug() << "Notebooks:" << notebooks.size();
    return 0;
}

int EvernoteManager::createFolder(const QString &strStack, const QString &strName, QString &strGuid, QString &strNewName)
{
    qDebug() << "EvernoteManager::createFolder";
    bAbort = false;
    Session session;
    int code = checkToken(session);
    if (code != 0)
        return code;

    edam::Notebook notebook;
    notebook.__set_name(strName.toStdString());
    if (!strStack.isEmpty())
        notebook.__set_stack(strStack.toStdString());
    notebook.__set_defaultNotebook(false);
    notebook.__set_published(false);
    edam::Notebook created;
    code = call(
        session, "createNotebook", -205, [](int) { return -205; },
        [&](edam::NoteStoreClient &c) { c.send_createNotebook(session.token, notebook); },
        [&](edam::NoteStoreClient &c) { c.recv_createNotebook(created); });
    if (code != 0)
        return code;
    if (created.guid.empty()) {
        qWarning() << "Created notebook without guid";
        return -205;
    }
    const EvernoteNotebook entry{fromStd(created.guid), fromStd(created.name),
                                 created.__isset.stack ? fromStd(created.stack) : QString()};
    {
        QMutexLocker lock(&mutex);
        notebooks.append(entry);
        indexNotebook(notebooks.size() - 1);
    }
    strGuid = entry.guid;
    strNewName = entry.name;
    return 0;
}

QString EvernoteManager::mimeType(int nImageType)
{
    switch (nImageType) {
    case 1: return QStringLiteral("image/jpeg");
    case 3: return QStringLiteral("image/tiff");
    case 4: return QStringLiteral("application/pdf");
    default: return QStringLiteral("application/octet-stream");
    }
}

QByteArray EvernoteManager::enmlContent(const QByteArray &md5Hex, const QString &mime)
{
    QByteArray text;
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(false);
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE en-note SYSTEM \"http://xml.evernote.com/pub/enml2.dtd\">"));
    xml.writeStartElement(QStringLiteral("en-note"));
    xml.writeEmptyElement(QStringLiteral("en-media"));
    xml.writeAttribute(QStringLiteral("hash"), QString::fromLatin1(md5Hex.toLower()));
    xml.writeAttribute(QStringLiteral("type"), mime);
    xml.writeEndElement();
    xml.writeEndDocument();
    // The writer ends the document with a line break; the content is one line.
    while (text.endsWith('\n'))
        text.chop(1);
    return text;
}

int EvernoteManager::uploadNote(const QString &strNotebookGuid, const QString &strFileName, int nImageType)
{
    qDebug() << "EvernoteManager::uploadNote";
    bAbort = false;
    Session session;
    int code = checkToken(session);
    if (code != 0)
        return code;

    QFile file(strFileName);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "Cannot read" << strFileName;
        return -201;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    const QByteArray md5 = QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
    const QString mime = mimeType(nImageType);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();

    edam::Note note;
    note.__set_title(QFileInfo(strFileName).fileName().toStdString());
    note.__set_content(enmlContent(md5.toHex(), mime).toStdString());
    note.__set_created(now);
    note.__set_updated(now);
    note.__set_notebookGuid(strNotebookGuid.toStdString());
    edam::Resource resource;
    edam::Data data;
    data.__set_body(bytes.toStdString());
    data.__set_size(int32_t(bytes.size()));
    resource.__set_data(std::move(data));
    resource.__set_mime(mime.toStdString());
    edam::ResourceAttributes attributes;
    attributes.__set_fileName("Attachment");
    resource.__set_attributes(attributes);
    note.__set_resources({std::move(resource)});
    edam::NoteAttributes noteAttributes;
    noteAttributes.__set_sourceApplication(tr("Lumerith V2").toStdString());
    note.__set_attributes(noteAttributes);

    edam::Note created;
    return call(
        session, "createNote", -210,
        [](int nEdamCode) {
            switch (nEdamCode) {
            case edam::EDAMErrorCode::LIMIT_REACHED: return -218;
            case edam::EDAMErrorCode::QUOTA_REACHED: return -217;
            default: return -210;
            }
        },
        [&](edam::NoteStoreClient &c) {
            c.send_createNote(session.token, note);
            note.resources.clear(); // the page's bytes are in the request now
        },
        [&](edam::NoteStoreClient &c) { c.recv_createNote(created); });
}

int EvernoteManager::requestUserInfo()
{
    qDebug() << "EvernoteManager::requestUserInfo";
    bAbort = false;
    Session session;
    UserInfo info;
    const int code = checkToken(session, &info);
    if (code == 0) {
        QMutexLocker lock(&mutex);
        user = info;
    }
    return code;
}

EvernoteManager::UserInfo EvernoteManager::userInfo() const
{
    QMutexLocker lock(&mutex);
    return user;
}

QString EvernoteManager::rootFolderId() const
{
    return QString();
}

QList<EvernoteNotebook> EvernoteManager::notebookList() const
{
    QMutexLocker lock(&mutex);
    return notebooks;
}

void EvernoteManager::indexNotebooks()
{
    byGuid.clear();
    byName.clear();
    byStack.clear();
    for (int i = 0; i < notebooks.size(); ++i)
        indexNotebook(i);
}

void EvernoteManager::indexNotebook(int position)
{
    const EvernoteNotebook &nb = notebooks.at(position);
    byGuid.add(nb.guid, position);
    byName.add(FolderIndex::folded(nb.name), position);
    if (!nb.stack.isEmpty())
        byStack.add(nb.stack, position);
}

void EvernoteManager::fillFolderTree(QTreeWidgetItem *item) const
{
    qDebug() << "EvernoteManager::fillFolderTree";
    if (!item)
        return;
    const QList<EvernoteNotebook> all = notebookList();
    // Stacks in the order they first appear, each with its notebooks.
    QHash<QString, int> stackRow;
    QVector<QPair<QString, QVector<int>>> stacks;
    QTreeWidgetItem holder; // in no view: adding below it is cheap
    for (int i = 0; i < all.size(); ++i) {
        const EvernoteNotebook &nb = all.at(i);
        if (nb.stack.isEmpty()) {
            addCloudFolderItem(&holder, nb.name, nb.guid);
            continue;
        }
        auto row = stackRow.constFind(nb.stack);
        if (row == stackRow.constEnd()) {
            row = stackRow.insert(nb.stack, stacks.size());
            stacks.append({nb.stack, {}});
        }
        stacks[*row].second.append(i);
    }
    for (const auto &stack : qAsConst(stacks)) {
        QTreeWidgetItem *stackItem = addCloudFolderItem(&holder, stack.first, stack.first);
        for (int i : stack.second)
            addCloudFolderItem(stackItem, all.at(i).name, all.at(i).guid);
    }
    item->addChildren(holder.takeChildren());
}

bool EvernoteManager::findFolder(const QString &strName, QString &strGuid, QString &strPath) const
{
    QMutexLocker lock(&mutex);
    const int at = strGuid.isEmpty() ? byName.find(FolderIndex::folded(strName)) : byGuid.find(strGuid);
    if (at < 0)
        return false;
    strGuid = notebooks.at(at).guid;
    strPath = notebooks.at(at).name;
    return true;
}

bool EvernoteManager::findFolder(QString &strName, QString &strGuid, QString &strPath) const
{
    const bool bByGuid = !strGuid.isEmpty();
    if (!findFolder(qAsConst(strName), strGuid, strPath))
        return false;
    if (bByGuid)
        strName = strPath;
    return true;
}

QString EvernoteManager::stackFor(const QString &strKey) const
{
    QMutexLocker lock(&mutex);
    const int at = byGuid.find(strKey);
    if (at >= 0)
        return notebooks.at(at).stack;
    return !strKey.isEmpty() && byStack.find(strKey) >= 0 ? strKey : QString();
}
