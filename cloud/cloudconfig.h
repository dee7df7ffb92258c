#pragma once

#include <QString>
#include <QUrl>

// Where the cloud services live and how this application is registered with
// them. Everything comes from the "[CLOUD]" section of the module
// configuration file, so a user can bring their own registration, and tests
// can point the hosts at fake services on 127.0.0.1. Missing or unusable
// values fall back to the real services and the shipped registration.

// A service host by its role; the value is a base address with scheme, host
// and optional port (and optional path prefix).
enum class CloudHost {
    DropboxWeb,      // authorization page
    DropboxApi,      // folders
    DropboxContent,  // uploads
    GoogleAccounts,  // OAuth endpoints
    GoogleApi,       // Drive files
    MicrosoftLogin,  // identity platform
    MicrosoftGraph,  // drive items
    Evernote,        // OAuth and the note store's service host
};

// An application registration value.
enum class CloudKey {
    DropboxAppKey,
    GoogleClientId,
    GoogleClientSecret,
    OneDriveClientId,
    OneDriveClientSecret,
    EvernoteConsumerKey,
    EvernoteConsumerSecret,
};

// The configuration key (within "[CLOUD]") and the built-in default.
QString cloudHostKey(CloudHost role);
QString cloudHostDefault(CloudHost role);
QString cloudKeyName(CloudKey key);
QString cloudKeyDefault(CloudKey key);

// The configured base address of a role, without a trailing slash. A value
// that is not an https address (or an http address of this machine) is
// ignored in favour of the default, so tokens never travel in clear text.
QString cloudHost(CloudHost role);

// Base address of the role followed by path (which starts with "/").
QUrl cloudUrl(CloudHost role, const QString &path);

// The configured registration value, or its default when absent or empty.
QString cloudKey(CloudKey key);

// As cloudKey, but a key that is present and empty gives the empty text: a
// registration that refuses a client secret (an installed, public client)
// is written as an empty value, and then no secret is sent.
QString cloudOptionalKey(CloudKey key);

// Whether the service's sign-in runs in the desktop's web browser (with the
// loopback listener taking the redirect) rather than in the login dialog's
// embedded web view: "CLOUD/GoogleSystemBrowser" (default on, since Google
// refuses sign-in inside embedded web views) and "CLOUD/OneDriveSystemBrowser"
// (default off); 1/0, true/false, yes/no or on/off. Dropbox always uses the
// browser, Evernote never.
bool cloudUsesSystemBrowser(int nCloudService);

// The loopback port of every sign-in's redirect: "CLOUD/RedirectPort", or
// 53511 when absent or not a port above 1023. A registration made with the
// services for another port (or a test beside a running copy) sets it.
quint16 cloudRedirectPort();

// Whether a base address is acceptable as a service host.
bool isAcceptableCloudHost(const QUrl &url);
