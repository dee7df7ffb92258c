#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <functional>

// Names a new page file in a folder: prefix_YYYYMMDD_hhmmss[_n].ext. Returns 0
// and the path, or -52 (folder or file not usable, or a prefix that would
// lead out of the folder), -55 (no free name), -56 (path too long). The file
// is probed by creating and deleting it.
int makePageFileName(int imageType, const QString &folder, const QString &prefix, QString &path);

// The rule for file name prefixes, typed or stored: 1 to 50 characters,
// none of \ / : * ? " < > |.
constexpr int kMaxFilePrefixLength = 50;
QString filePrefixPattern();
bool isValidFilePrefix(const QString &prefix);

// The clock of the naming rule; replaceable so tests can name files at a
// chosen instant. Replacing it also forgets the previous name's time.
using PageClock = std::function<QDateTime()>;
void setPageClock(PageClock clock);

// Whether the temporary folder and the volume of the path have room for a page.
bool checkDiskSpace(const QString &path, int imageType);

// Free bytes of the volume that holds a path; replaceable so tests need not fill a disk.
using FreeSpaceQuery = std::function<qint64(const QString &path)>;
void setFreeSpaceQuery(FreeSpaceQuery query);
qint64 freeSpaceOf(const QString &path);
