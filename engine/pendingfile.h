#pragma once

#include <QString>

// A file that appears under its final name only when it is complete: it is
// written under a hidden temporary name in the same folder and renamed into
// place by commit(). Anything not committed is removed.
class PendingFile
{
public:
    PendingFile() = default;
    ~PendingFile();

    // 0, or -52 when the folder does not take a new file.
    int create(const QString &finalPath);
    int fd() const { return handle; }
    // 0, or -55 when the file could not be put in place.
    int commit();
    void discard();

    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

private:
    QString target;
    QByteArray tempName;
    int handle = -1;
};
