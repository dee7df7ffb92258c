#include "simulatorsettings.h"

#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace {
int readInt(const QSettings &ini, const char *key, int fallback, int lowest, int highest)
{
    bool ok = false;
    const int value = ini.value(QLatin1String(key)).toString().trimmed().toInt(&ok);
    return ok ? std::clamp(value, lowest, highest) : fallback;
}
} // namespace

SimulatorSettings SimulatorSettings::read(const QString &iniFile)
{
    SimulatorSettings s;
    if (iniFile.isEmpty() || !QFileInfo(iniFile).isFile())
        return s;
    QSettings ini(iniFile, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("ENGINE"));
    constexpr int kHour = 3600 * 1000;
    constexpr int kMany = 1000000;
    s.pageTimeMs = readInt(ini, "PageTime", s.pageTimeMs, 0, kHour);
    s.sheets = readInt(ini, "Sheets", s.sheets, 0, kMany);
    s.wakeUpTimeMs = readInt(ini, "WakeUpTime", s.wakeUpTimeMs, -1, kHour);
    s.wakeUpErrorBits = readInt(ini, "WakeUpErrorBits", s.wakeUpErrorBits, 0, 255);
    s.busyAnswers = readInt(ini, "BusyAnswers", s.busyAnswers, 0, kMany);
    s.statusPortFail = readInt(ini, "StatusPortFail", 0, 0, 1) != 0;
    s.jamAtOpen = readInt(ini, "JamAtOpen", 0, 0, 1) != 0;
    s.jamAtPage = readInt(ini, "JamAtPage", s.jamAtPage, 0, kMany);
    s.busyAtPage = readInt(ini, "BusyAtPage", s.busyAtPage, 0, kMany);
    s.statusFailAtPage = readInt(ini, "DeviceStatusFailAtPage", s.statusFailAtPage, 0, kMany);
    s.statusFailAfter = readInt(ini, "DeviceStatusFailAfter", s.statusFailAfter, 0, kMany);
    s.errorAtPage = readInt(ini, "ErrorAtPage", s.errorAtPage, 0, kMany);
    s.errorCode = readInt(ini, "ErrorCode", s.errorCode, -100000, 100000);
    s.discoveryTimeMs = readInt(ini, "DiscoveryTime", s.discoveryTimeMs, -1, kHour);
    return s;
}
