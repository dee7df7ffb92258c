#pragma once

// Points the process-wide configuration and engine at a private module
// configuration file whose [ENGINE] section scripts the simulated scanner.
#include "app/configfile.h"
#include "app/globals.h"
#include "ptessark.h"
#include "scan/devicelists.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTextStream>

class SimDevice
{
public:
    SimDevice()
    {
        configure({});
        tessark().initInterface(&configFile());
    }

    // Writes the engine keys; the engine reads them at the next setPortName.
    void configure(const QMap<QString, QString> &engineKeys)
    {
        QFile f(appDir.filePath("MFPCFG.INI"));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        QTextStream out(&f);
        out << "[MODULE_CONFIG]\nConfigPath=LumerithTest/" << QString::number(quintptr(this), 16) << "\n";
        out << "[INIFiles]\nUIConfig=ui.ini\n";
        out << "[ENGINE]\nBackend=simulator\nPageTime=" << engineKeys.value("PageTime", "0") << "\n";
        for (auto it = engineKeys.cbegin(); it != engineKeys.cend(); ++it)
            if (it.key() != "PageTime")
                out << it.key() << "=" << it.value() << "\n";
        out << "[CLOUD]\n";
        for (auto it = cloudKeys.cbegin(); it != cloudKeys.cend(); ++it)
            out << it.key() << "=" << it.value() << "\n";
        out.flush();
        f.close();
        configFile().init(appDir.path());
    }

    static void chooseUsb()
    {
        deviceLists().setDevice(0, 134, 3000, "simusb-0001", "SimScan 3000");
    }

    QTemporaryDir appDir;
    // Written as the "[CLOUD]" section at each configure().
    QMap<QString, QString> cloudKeys;
};
