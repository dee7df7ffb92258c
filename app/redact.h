#pragma once

#include <QString>

// Secrets (tokens, authorization codes, client secrets, verifiers,
// signatures) never reach a log line. Code that logs an address, a form body
// or an answer passes it through redactSecrets(); a lone secret value is
// logged as redacted(). The log handler applies redactSecrets() to every line
// as well, so a slip at a call site still leaves the file clean.

// The stand-in written instead of a secret value.
QString redacted();
inline QString redacted(const QString &) { return redacted(); }

// The text with the value of every secret parameter replaced by the
// stand-in: "name=value" pairs of queries, fragments and form bodies,
// "name": "value" pairs of JSON, name="value" pairs of OAuth headers, and the
// credentials after "Bearer " or "Basic ". Everything else is kept as it is.
QString redactSecrets(const QString &text);
