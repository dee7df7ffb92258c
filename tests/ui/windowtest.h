#pragma once

// What the main-window tests share: the user settings file written before
// the window starts, the simulated scanner as the user's stored choice, and
// the window shown as a user sees it.
#include "app/configfile.h"
#include "app/globals.h"
#include "ui/mainwindow.h"

#include <QSettings>

#include <memory>

inline QString settingsFile()
{
    return configFile().uiConfigFile();
}

inline void writeSettings(const QMap<QString, QVariant> &values)
{
    QSettings s(settingsFile(), QSettings::IniFormat);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        s.setValue(it.key(), it.value());
}

// The port keys of the simulated USB scanner (feeder and duplex).
inline QMap<QString, QVariant> simulatedPort()
{
    return {{"Port/DeviceType", 0},          {"Port/PaperSource", 134}, {"Port/ProjectID", 3000},
            {"Port/Default", "simusb-0001"}, {"Port/Alias", "USB"},     {"Port/Model", "SimScan 3000"}};
}

inline std::unique_ptr<MainWindow> openWindow()
{
    auto w = std::make_unique<MainWindow>();
    w->show();
    return w;
}
