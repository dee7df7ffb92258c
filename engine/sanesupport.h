#pragma once

#include <QHostAddress>
#include <QString>
#include <QtGlobal>

#include <mutex>

#include <sane/sane.h>

// SANE has one global state per process: sane_init and sane_exit must pair up
// however many engine objects use it, and its calls must not overlap. Every
// SANE call except sane_cancel is made with callMutex() held.
namespace SaneSession {
// Takes a reference, calling sane_init for the first one. False when SANE
// could not be started (no reference is then held).
bool acquire();
// Drops a reference; the last one calls sane_exit.
void release();
std::mutex &callMutex();
} // namespace SaneSession

// The engine's code for a SANE status: a jammed sheet -2, no documents -5,
// busy -22, I/O error -31, invalid value -40, out of memory -41, cancelled
// -150, anything else -999.
int engineCodeForSaneStatus(SANE_Status status);

// The network address a SANE device name carries (eSCL and similar backends
// name their devices after a URL), or a null address. IPv6 addresses are
// recognised inside brackets, as URLs write them.
QHostAddress addressInDeviceName(const QString &deviceName);

// The engine's project id of a SANE device: derived from its name alone, so it
// stays the same between runs and machines.
qint32 projectIdForDevice(const QString &deviceName);

// One entry of the engine's device list text ("type,capabilities,project
// id,port name,model"), or an empty string when the name cannot be written
// into that text (it holds "," or ";"). Those characters are dropped from the
// model.
QString deviceListEntry(int deviceType, quint8 capabilities, const QString &deviceName, const QString &model);
