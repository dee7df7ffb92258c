#include "cloud/cloudconfig.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "cloud/cloudservice.h"

#include <QDebug>
#include <QHostAddress>
#include <QSettings>

namespace {
const char kSection[] = "CLOUD/";

struct HostEntry
{
    CloudHost role;
    const char *key;
    const char *def;
};

const HostEntry kHosts[] = {
    {CloudHost::DropboxWeb, "DropboxWebHost", "https://www.dropbox.com"},
    {CloudHost::DropboxApi, "DropboxApiHost", "https://api.dropboxapi.com"},
    {CloudHost::DropboxContent, "DropboxContentHost", "https://content.dropboxapi.com"},
    {CloudHost::GoogleAccounts, "GoogleAccountsHost", "https://accounts.google.com"},
    {CloudHost::GoogleApi, "GoogleApiHost", "https://www.googleapis.com"},
    {CloudHost::MicrosoftLogin, "MicrosoftLoginHost", "https://login.microsoftonline.com"},
    {CloudHost::MicrosoftGraph, "MicrosoftGraphHost", "https://graph.microsoft.com"},
    {CloudHost::Evernote, "EvernoteHost", "https://www.evernote.com"},
};

struct KeyEntry
{
    CloudKey key;
    const char *name;
    const char *def;
};

// The Google client identifier is the owner's own registration and is not
// shipped; it must be set in the module configuration file.
const KeyEntry kKeys[] = {
    {CloudKey::DropboxAppKey, "DropboxAppKey", "q3vzm8x1rtwk0pd"},
    {CloudKey::GoogleClientId, "GoogleClientId", ""},
    {CloudKey::GoogleClientSecret, "GoogleClientSecret", "Zt4kPq9Lm2Xw7Rb5Nc8Vy1_D"},
    {CloudKey::OneDriveClientId, "OneDriveClientId", "1f9b7c42-3a6d-4e8f-9b21-c5d7e0a3f468"},
    {CloudKey::OneDriveClientSecret, "OneDriveClientSecret", "Rk7pQ2!xvbNe4HsTJm93-%)"},
    {CloudKey::EvernoteConsumerKey, "EvernoteConsumerKey", "tam-vek"},
    {CloudKey::EvernoteConsumerSecret, "EvernoteConsumerSecret", "5d0f1e93ab7c2e68"},
};

const HostEntry &hostEntry(CloudHost role)
{
    for (const HostEntry &e : kHosts) {
        if (e.role == role)
            return e;
    }
    return kHosts[0];
}

const KeyEntry &keyEntry(CloudKey key)
{
    for (const KeyEntry &e : kKeys) {
        if (e.key == key)
            return e;
    }
    return kKeys[0];
}

QString readModuleValue(const QString &name, bool *present = nullptr)
{
    if (present)
        *present = false;
    const QString file = configFile().mfpCfgFile();
    if (file.isEmpty())
        return QString();
    QSettings ini(file, QSettings::IniFormat);
    const QString key = QLatin1String(kSection) + name;
    if (present)
        *present = ini.contains(key);
    return iniText(ini, key).trimmed();
}

QString withoutTrailingSlash(QString s)
{
    while (s.endsWith('/'))
        s.chop(1);
    return s;
}
} // namespace

QString cloudHostKey(CloudHost role)
{
    return QString::fromLatin1(hostEntry(role).key);
}

QString cloudHostDefault(CloudHost role)
{
    return QString::fromLatin1(hostEntry(role).def);
}

QString cloudKeyName(CloudKey key)
{
    return QString::fromLatin1(keyEntry(key).name);
}

QString cloudKeyDefault(CloudKey key)
{
    return QString::fromLatin1(keyEntry(key).def);
}

bool isAcceptableCloudHost(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty() || url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return true;
    if (scheme != QLatin1String("http"))
        return false;
    // Plain HTTP only to this machine (fake services, local proxies).
    if (url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(url.host());
    return !address.isNull() && address.isLoopback();
}

QString cloudHost(CloudHost role)
{
    const QString value = readModuleValue(cloudHostKey(role));
    if (!value.isEmpty()) {
        if (isAcceptableCloudHost(QUrl(value, QUrl::StrictMode)))
            return withoutTrailingSlash(value);
        // A password in the address stays out of the log.
        qWarning() << "Ignoring cloud host" << cloudHostKey(role) << QUrl(value).toString(QUrl::RemoveUserInfo);
    }
    return cloudHostDefault(role);
}

QUrl cloudUrl(CloudHost role, const QString &path)
{
    QUrl url(cloudHost(role) + path, QUrl::TolerantMode);
    return url;
}

quint16 cloudRedirectPort()
{
    bool ok = false;
    const uint port = readModuleValue(QStringLiteral("RedirectPort")).toUInt(&ok);
    return (ok && port > 1023 && port <= 65535) ? quint16(port) : quint16(53511);
}

QString cloudKey(CloudKey key)
{
    const QString value = readModuleValue(cloudKeyName(key));
    return value.isEmpty() ? cloudKeyDefault(key) : value;
}

QString cloudOptionalKey(CloudKey key)
{
    bool present = false;
    const QString value = readModuleValue(cloudKeyName(key), &present);
    return present ? value : cloudKeyDefault(key);
}

bool cloudUsesSystemBrowser(int nCloudService)
{
    QString name;
    bool bDefault = false;
    switch (nCloudService) {
    case CloudGoogleDrive:
        name = QStringLiteral("GoogleSystemBrowser");
        bDefault = true;
        break;
    case CloudOneDrive:
        name = QStringLiteral("OneDriveSystemBrowser");
        break;
    case CloudDropbox: return true;
    default: return false;
    }
    const QString value = readModuleValue(name).toLower();
    if (value == QLatin1String("1") || value == QLatin1String("true") || value == QLatin1String("yes")
        || value == QLatin1String("on"))
        return true;
    if (value == QLatin1String("0") || value == QLatin1String("false") || value == QLatin1String("no")
        || value == QLatin1String("off"))
        return false;
    return bDefault;
}
