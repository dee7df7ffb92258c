#include "cloud/signinview.h"

#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

void prepareSignInView(QWebEngineView *view, QObject *profileOwner)
{
    // No storage name: nothing of it is written to disk.
    auto *profile = new QWebEngineProfile(profileOwner);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->cookieStore()->deleteAllCookies();
    view->setPage(new QWebEnginePage(profile, view));
}

QString signInResultPage(const QString &title, const QString &text)
{
    return QStringLiteral("<html><head><title>%1</title></head><body><p><img src=\"%2\"></p><p><font size=\"4\">%3"
                          "</font></p></body></html>")
        .arg(title.toHtmlEscaped(), QStringLiteral("qrc:/ui/images/icon_128.png"), text.toHtmlEscaped());
}
