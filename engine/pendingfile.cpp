#include "pendingfile.h"

#include "enginecodes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

PendingFile::~PendingFile()
{
    discard();
}

int PendingFile::create(const QString &finalPath)
{
    discard();
    const QFileInfo info(finalPath);
    if (finalPath.isEmpty() || info.fileName().isEmpty() || !info.absoluteDir().exists())
        return EngineCode::BadFilePath;
    target = info.absoluteFilePath();

    // Hidden and with a name of its own, so no reader mistakes it for a page.
    for (int attempt = 0; attempt < 64; ++attempt) {
        const QString name = info.absolutePath() + "/." + info.fileName() + "."
                             + QString::number(QRandomGenerator::global()->generate(), 36) + ".part";
        const QByteArray encoded = QFile::encodeName(name);
        const int fd = ::open(encoded.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            handle = fd;
            tempName = encoded;
            return EngineCode::Ok;
        }
        if (errno != EEXIST)
            break;
    }
    target.clear();
    return EngineCode::BadFilePath;
}

int PendingFile::commit()
{
    if (handle < 0)
        return EngineCode::SaveFailed;
    const bool closed = ::close(handle) == 0;
    handle = -1;
    if (!closed || ::rename(tempName.constData(), QFile::encodeName(target).constData()) != 0) {
        ::unlink(tempName.constData());
        tempName.clear();
        return EngineCode::SaveFailed;
    }
    tempName.clear();
    return EngineCode::Ok;
}

void PendingFile::discard()
{
    if (handle >= 0) {
        ::close(handle);
        handle = -1;
    }
    if (!tempName.isEmpty()) {
        ::unlink(tempName.constData());
        tempName.clear();
    }
}
