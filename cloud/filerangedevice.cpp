#include "cloud/filerangedevice.h"

FileRangeDevice::FileRangeDevice(const QString &fileName, qint64 offset, qint64 length, QObject *parent)
    : QIODevice(parent)
    , file(fileName)
    , nOffset(offset)
    , nLength(length)
{
}

bool FileRangeDevice::open()
{
    // Unbuffered: the network stack has buffers of its own; one copy fewer.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || file.size() < nOffset + nLength
        || !file.seek(nOffset))
        return false;
    return QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

bool FileRangeDevice::seek(qint64 pos)
{
    // The network stack rewinds a body it has to send again.
    if (pos < 0 || pos > nLength || !file.seek(nOffset + pos))
        return false;
    return QIODevice::seek(pos);
}

qint64 FileRangeDevice::readData(char *out, qint64 maxSize)
{
    const qint64 left = nLength - pos();
    if (left <= 0)
        return 0;
    return file.read(out, qMin(maxSize, left));
}
