#pragma once

#include <QFile>
#include <QIODevice>

// A read-only window [offset, offset + length) of a file, as the body of one
// upload request: the network stack reads it from disk as the socket takes
// it, so no fragment is ever held in memory whole.
class FileRangeDevice : public QIODevice
{
public:
    FileRangeDevice(const QString &fileName, qint64 offset, qint64 length, QObject *parent = nullptr);

    // Opens the file; false when it cannot be opened or no longer holds the window.
    bool open();

    bool isSequential() const override { return false; }
    qint64 size() const override { return nLength; }
    bool seek(qint64 pos) override;

protected:
    qint64 readData(char *out, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QFile file;
    qint64 nOffset;
    qint64 nLength;
};
