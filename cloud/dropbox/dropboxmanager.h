#pragma once

#include "cloud/cloudmanager.h"

// Base of the Dropbox authorization, folder and file classes.
class DropboxManager : public CloudManager
{
    Q_OBJECT
public:
    explicit DropboxManager(QObject *parent = nullptr);

    void postRequest(const QNetworkRequest &request, const QByteArray &data, int kind);
};
