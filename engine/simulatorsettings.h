#pragma once

#include <QString>

// The simulated scanner's behaviour, read from the "[ENGINE]" section of the
// module configuration file at every setPortName, so a tester can change it
// between jobs. Missing or unreadable values keep their defaults.
struct SimulatorSettings
{
    int pageTimeMs = 500;         // PageTime
    int sheets = 3;               // Sheets
    int wakeUpTimeMs = 0;         // WakeUpTime; negative: never wakes
    int wakeUpErrorBits = 0;      // WakeUpErrorBits
    int busyAnswers = 0;          // BusyAnswers
    bool statusPortFail = false;  // StatusPortFail
    bool jamAtOpen = false;       // JamAtOpen
    int jamAtPage = 0;            // JamAtPage
    int busyAtPage = 0;           // BusyAtPage
    int statusFailAtPage = 0;     // DeviceStatusFailAtPage
    int statusFailAfter = 0;      // DeviceStatusFailAfter
    int errorAtPage = 0;          // ErrorAtPage
    int errorCode = -32;          // ErrorCode
    int discoveryTimeMs = 0;      // DiscoveryTime; negative: never answers

    static SimulatorSettings read(const QString &iniFile);
};
