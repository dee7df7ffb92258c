#include "scan/pagefile.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "scan/scanrequest.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStorageInfo>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr int kMaxPathLength = 256;
constexpr int kMaxSuffix = 65535;

QMutex &stampMutex()
{
    static QMutex m;
    return m;
}

QMutex &queryMutex()
{
    static QMutex m;
    return m;
}

FreeSpaceQuery &currentQuery()
{
    static FreeSpaceQuery query;
    return query;
}

// The time of day used for the previous name in this process.
QDateTime &lastStamp()
{
    static QDateTime last;
    return last;
}

PageClock &pageClock()
{
    static PageClock clock;
    return clock;
}

QString nextStamp()
{
    QMutexLocker lock(&stampMutex());
    QDateTime now = pageClock() ? pageClock()() : QDateTime::currentDateTime();
    if (lastStamp().isValid() && now.time() == lastStamp().time())
        now = now.addSecs(1);
    lastStamp() = now;
    const QDate d = now.date();
    const QTime t = now.time();
    return QString("%1%2%3_%4%5%6")
        .arg(d.year(), 4, 10, QChar('0'))
        .arg(d.month(), 2, 10, QChar('0'))
        .arg(d.day(), 2, 10, QChar('0'))
        .arg(t.hour(), 2, 10, QChar('0'))
        .arg(t.minute(), 2, 10, QChar('0'))
        .arg(t.second(), 2, 10, QChar('0'));
}
} // namespace

void setPageClock(PageClock clock)
{
    QMutexLocker lock(&stampMutex());
    pageClock() = std::move(clock);
    lastStamp() = QDateTime();
}

QString filePrefixPattern()
{
    return QStringLiteral("[^\\\\/:*?\"<>|]+");
}

bool isValidFilePrefix(const QString &prefix)
{
    static const QRegularExpression rule(QRegularExpression::anchoredPattern(filePrefixPattern()));
    return prefix.size() <= kMaxFilePrefixLength && rule.match(prefix).hasMatch();
}

int makePageFileName(int imageType, const QString &folder, const QString &prefix, QString &path)
{
    path.clear();
    if (folder.isEmpty())
        return -52;
    // A page is never written outside the chosen folder.
    if (prefix.contains('/') || prefix.contains('\\'))
        return -52;
    QString dir = folder;
    if (!dir.endsWith('/'))
        dir += '/';
    const QString ext = imageType == ImageTIFF ? ".tif" : imageType == ImagePDF ? ".pdf" : ".jpg";
    if (!QFileInfo(dir).isDir())
        return -52;

    const QString base = dir + prefix + "_" + nextStamp();
    QString candidate;
    bool found = false;
    for (int n = 0; n <= kMaxSuffix; ++n) {
        candidate = n == 0 ? base + ext : base + "_" + QString::number(n) + ext;
        if (!QFileInfo::exists(candidate)) {
            found = true;
            break;
        }
    }
    if (!found)
        return -55;
    if (candidate.size() > kMaxPathLength)
        return -56;

    QFile probe(candidate);
    if (!probe.open(QIODevice::ReadWrite))
        return -52;
    probe.close();
    probe.remove();
    path = candidate;
    return 0;
}

void setFreeSpaceQuery(FreeSpaceQuery query)
{
    QMutexLocker lock(&queryMutex());
    currentQuery() = std::move(query);
}

qint64 freeSpaceOf(const QString &path)
{
    {
        QMutexLocker lock(&queryMutex());
        if (currentQuery())
            return currentQuery()(path);
    }
    QFileInfo info(path);
    const QString existing = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    QStorageInfo storage(existing);
    return storage.isValid() ? storage.bytesAvailable() : 0;
}

bool checkDiskSpace(const QString &path, int imageType)
{
    const qint64 tempFree = freeSpaceOf(QStandardPaths::writableLocation(QStandardPaths::TempLocation));
    if (tempFree < 50 * kMiB) {
        qDebug() << "user temp directory space size:" << tempFree / kMiB;
        return false;
    }
    const qint64 free = freeSpaceOf(path);
    if (imageType == ImagePDF) {
        QFileInfo work(configFile().pdfFileName());
        if (!work.filePath().isEmpty() && work.exists() && free - work.size() < 10 * kMiB)
            return false;
    }
    if (free >= 50 * kMiB)
        return true;
    qDebug() << "free space size:" << free / kMiB;
    return false;
}
