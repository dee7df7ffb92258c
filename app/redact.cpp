#include "app/redact.h"

#include <QRegularExpression>

namespace {
// Parameter names whose values are secrets, in every service this module
// talks to (OAuth 2.0 and 1.0a, the identity platforms' token answers).
const char kSecretNames[] =
    "access_token|refresh_token|id_token|code|code_verifier|client_secret|assertion|password"
    "|oauth_token|oauth_token_secret|oauth_verifier|oauth_signature|token|secret";

const QRegularExpression &pairPattern()
{
    // name=value up to the next separator of a query, fragment, form body or
    // log line; the name must not be the tail of a longer name ("error_code").
    // An address carried inside another one's query is percent-encoded
    // (once or more): "%3D" for "=", "%26" and "%23" for "&" and "#".
    static const QRegularExpression re(
        QStringLiteral("(?:(?<![A-Za-z0-9_])|(?<=%23)|(?<=%26)|(?<=%3F)|(?<=%2523)|(?<=%2526)|(?<=%253F))"
                       "(%1)(=|%(?:25)*3D)((?:(?!%(?:25)*(?:26|23))[^&#\\s\"',;])+)")
            .arg(QLatin1String(kSecretNames)),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression &quotedPattern()
{
    // "name": "value" (JSON) and name="value" (OAuth 1.0a headers).
    static const QRegularExpression re(
        QStringLiteral("(?<![A-Za-z0-9_])(\"?(?:%1)\"?\\s*[:=]\\s*)(\")((?:[^\"\\\\]|\\\\.)*)\"")
            .arg(QLatin1String(kSecretNames)),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression &schemePattern()
{
    static const QRegularExpression re(QStringLiteral("\\b(Bearer|Basic)(\\s+)([^\\s\"',;]+)"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

// Replaces capture 3 of every match with the stand-in.
QString replaceValues(const QString &text, const QRegularExpression &re, const QString &suffix)
{
    QString out;
    int last = 0;
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += text.midRef(last, m.capturedStart(3) - last);
        out += redacted() + suffix;
        last = m.capturedEnd(0);
    }
    if (last == 0)
        return text;
    out += text.midRef(last);
    return out;
}
} // namespace

QString redacted()
{
    return QStringLiteral("\u2026");
}

QString redactSecrets(const QString &text)
{
    QString out = replaceValues(text, quotedPattern(), QStringLiteral("\""));
    out = replaceValues(out, pairPattern(), QString());
    return replaceValues(out, schemePattern(), QString());
}
