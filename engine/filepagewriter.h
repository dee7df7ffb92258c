#pragma once

#include "pagewriter.h"
#include "pendingfile.h"

// A writer whose page is a file of its own: made under a temporary name in
// the destination folder and renamed into place at finish(). Each writer's
// destructor calls its own abort(), which a base destructor cannot reach.
class FilePageWriter : public PageWriter
{
public:
    explicit FilePageWriter(const QString &path)
        : path(path)
    {
    }

protected:
    QString path;
    PendingFile file;
};
