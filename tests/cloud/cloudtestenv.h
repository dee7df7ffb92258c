#pragma once

#include "app/configfile.h"
#include "app/globals.h"
#include "cloud/oauthsignin.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTreeWidgetItem>

// A module configuration file in the scratch folder whose "[CLOUD]" section
// points at fake services, loaded into the process-wide ConfigFile.
inline bool setUpCloudConfig(const QMap<QString, QString> &cloudValues)
{
    // A new folder each time: a rewritten file of the same size within the
    // same instant could be taken from the settings cache unchanged.
    static int generation = 0;
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation)
                        + QStringLiteral("/appdir%1").arg(++generation);
    QDir().mkpath(dir);
    QFile ini(dir + "/MFPCFG.INI");
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray text = "[MODULE_CONFIG]\nConfigPath=LumerithTest\n[INIFiles]\nUIConfig=LumerithUI.ini\n[CLOUD]\n";
    for (auto it = cloudValues.begin(); it != cloudValues.end(); ++it)
        text += it.key().toUtf8() + "=" + it.value().toUtf8() + "\n";
    ini.write(text);
    ini.close();
    return configFile().init(dir);
}

inline void storeDropboxToken(const QString &token)
{
    writeHexValue(configFile().uiConfigFile(), QStringLiteral("dropbox/AccessToken"), token);
}

// The tokens of Google Drive or OneDrive as a sign-in leaves them, good for an hour.
inline void storeOAuthTokens(int nCloudService, const QString &access, const QString &refresh)
{
    OAuthTokens tokens(nCloudService);
    tokens.saveAccessToken(access);
    tokens.storeRefreshToken(refresh);
    tokens.saveExpiresIn(OAuthTokens::now() + 3600);
}

// Uploads a file through a service's file object and waits for its one
// result: the code, or 1 (none in time), 2 (not exactly one result naming
// the file), 3 (the start's code and the result disagree).
template <class File>
inline int uploadAndWait(File &file, const QString &folder, const QString &path, int nImageType = 1,
                         int timeoutMs = 60000)
{
    QSignalSpy done(&file, &File::finishedCreateFile);
    const int started = file.createFile(folder, path, nImageType);
    // A real event loop: waiting in steps with sleeps between would pace the transfer.
    if (done.isEmpty() && !done.wait(timeoutMs))
        return 1;
    QTest::qWait(20); // exactly one result
    if (done.count() != 1 || done.at(0).at(1).toString() != path || !done.at(0).at(2).toString().isEmpty())
        return 2;
    const int code = done.at(0).at(0).toInt();
    return started != 0 && started != code ? 3 : code;
}

// A file of the given size whose bytes depend on their offset, so that a
// chunk sent at the wrong place cannot compare equal.
inline bool writePatternFile(const QString &path, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    qint64 written = 0;
    quint32 word = 0x12345u;
    while (written < size) {
        for (int i = 0; i + 4 <= block.size(); i += 4) {
            word = word * 1664525u + 1013904223u;
            memcpy(block.data() + i, &word, 4);
        }
        const qint64 n = qMin<qint64>(block.size(), size - written);
        if (f.write(block.constData(), n) != n)
            return false;
        written += n;
    }
    return true;
}

// A loopback port that nothing listened on a moment ago (for the sign-in
// listener, whose port comes from the configuration).
inline quint16 freeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Sends one raw request to a port on 127.0.0.1 and gives everything that
// comes back until the server closes the connection.
inline QByteArray rawExchange(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    QByteArray answer;
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&]() { answer += socket.readAll(); });
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return answer;
    socket.write(request);
    if (!QTest::qWaitFor([&]() { return socket.state() == QAbstractSocket::UnconnectedState; }, 5000))
        return answer; // the caller sees an incomplete answer
    return answer + socket.readAll();
}

inline QByteArray md5Of(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(&f);
    return hash.result();
}

// The first-column texts of an item's children, in order.
inline QStringList childTitles(const QTreeWidgetItem *item)
{
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts << item->child(i)->text(0);
    return texts;
}

// A folder in the scratch area, emptied, for the files of one test.
inline QString emptyScratchDir(const QString &name)
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation) + QLatin1Char('/') + name;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    return dir;
}
