#include "cloud/chunkdevice.h"

#include <cstring>

ChunkDevice::ChunkDevice(QByteArray bytes, QObject *parent)
    : QIODevice(parent)
    , data(std::move(bytes))
{
    open(QIODevice::ReadOnly);
}

void ChunkDevice::release()
{
    data = QByteArray();
}

qint64 ChunkDevice::readData(char *out, qint64 maxSize)
{
    const qint64 at = pos();
    if (at >= data.size())
        return 0;
    const qint64 n = qMin(maxSize, qint64(data.size()) - at);
    std::memcpy(out, data.constData() + at, size_t(n));
    return n;
}
