// The Evernote sign-in's OAuth 1.0a answers: the temporary token answer, the
// redirect the login page sees, and the access token answer.
//
// Input: three parts with "\n%%\n" between them: the first leg's answer
// (status, blank, body, as for every canned answer), the redirect's query,
// in which "{token}" stands for the temporary token, and the second leg's
// answer.
#include "cloud/cloudconfig.h"
#include "cloud/evernote/evernoteauthorization.h"
#include "fuzz/cannednetwork.h"
#include "fuzz/fuzzdriver.h"

#include <QSignalSpy>
#include <QUrl>

void setUpTarget()
{
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QList<CannedAnswer> parts = splitAnswers(fuzzBytes(data, size));
    const CannedAnswer first = parts.value(0);
    const CannedAnswer redirect = parts.value(1);
    const CannedAnswer second = parts.value(2);
    CannedNetwork::setAnswers({first, second});
    restoreSignIns();

    EvernoteAuthorization authorization;
    QSignalSpy temporary(&authorization, &EvernoteAuthorization::generateTemporaryToken);
    QSignalSpy finished(&authorization, &EvernoteAuthorization::authenticationFinished);
    authorization.requestTemporaryToken();
    fuzzWaitFor([&]() { return temporary.count() > 0; }, "temporary token");
    QCoreApplication::processEvents();
    fuzzCheck(temporary.count() == 1, "the first leg gives one result");
    const int code = temporary.at(0).at(0).toInt();
    fuzzCheck(code == 0 || code == -200, "the first leg ends with a known code");
    if (code != 0)
        return 0;
    const QString page = temporary.at(0).at(1).toString();
    const QString pagePrefix = cloudUrl(CloudHost::Evernote, QStringLiteral("/OAuth.action?oauth_token=")).toString();
    fuzzCheck(page.startsWith(pagePrefix) && page.size() > pagePrefix.size(), "the login page carries the token");

    QByteArray query = redirect.status == 200 ? redirect.body : QByteArray::number(redirect.status) + ' ' + redirect.body;
    query.replace("{token}", page.mid(pagePrefix.size()).toLatin1());
    const QUrl url(authorization.redirectUri() + QLatin1Char('?') + QString::fromLatin1(query.constData(), query.size()));
    const int redirectCode = authorization.getAuthorizationCode(url);
    fuzzCheck(redirectCode == 0 || redirectCode == -200 || redirectCode == -204, "a redirect is judged with a known code");
    if (redirectCode != 0) {
        fuzzCheck(CannedNetwork::requestsSeen() == 1, "a redirect that is not this sign-in's sends nothing");
        return 0;
    }
    fuzzWaitFor([&]() { return finished.count() > 0; }, "access token");
    QCoreApplication::processEvents();
    fuzzCheck(finished.count() == 1, "the second leg gives one result");
    const int result = finished.at(0).at(0).toInt();
    fuzzCheck(result == 0 || result == -206, "the second leg ends with a known code");
    if (result == 0)
        fuzzCheck(!authorization.accessToken().isEmpty()
                      && isAcceptableCloudHost(QUrl(authorization.noteStoreUrl(), QUrl::StrictMode)),
                  "a sign-in stores a token and a usable note store");
    return 0;
}
