#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>

// What every fuzz target shares. The driver defines LLVMFuzzerInitialize:
// a private scratch home (nothing touches the user's own settings), a module
// configuration file whose cloud hosts point at 127.0.0.1, an offscreen
// application object, the log silenced and the canned network installed
// (cannednetwork.h); then it calls the target's setUpTarget(). Each target
// defines setUpTarget() and LLVMFuzzerTestOneInput.
//
// A broken rule is reported with fuzzCheck(), which aborts: libFuzzer keeps
// the input as a finding.

void setUpTarget();

// The private scratch folder (on /dev/shm when there is one: targets write
// files for every input).
QString fuzzScratchDir();
// The user settings file the module configuration names.
QString fuzzSettingsFile();
// Puts back the sign-in values the cloud targets need (an answer may have
// cleared them, as a refused token does).
void restoreSignIns();

// Aborts with the rule's text when the condition does not hold.
void fuzzCheck(bool condition, const char *rule);

// Runs the event loop until done() holds. An operation that has given no
// result five seconds after its last answer never will: that aborts too.
void fuzzWaitFor(const std::function<bool()> &done, const char *what);

inline QByteArray fuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}
