#pragma once

#include <QByteArray>
#include <QIODevice>

// The body of one upload request, held here rather than handed to the
// network stack as a byte array, so that it can be freed as soon as its
// answer is in, before the next chunk is read: one chunk in memory at a time.
class ChunkDevice : public QIODevice
{
public:
    explicit ChunkDevice(QByteArray bytes, QObject *parent = nullptr);

    void release();

    bool isSequential() const override { return false; }
    qint64 size() const override { return data.size(); }

protected:
    qint64 readData(char *out, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray data;
};
