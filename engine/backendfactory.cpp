#include "scannerbackend.h"

#include "app/configfile.h"
#include "simulatorbackend.h"
#if defined(TESSARK_HAVE_SANE)
#include "sanebackend.h"
#endif

#include <QDebug>
#include <QFileInfo>
#include <QSettings>

std::unique_ptr<ScannerBackend> createScannerBackend(const ConfigFile &config)
{
    QString name = QStringLiteral("simulator");
    if (!config.strMfpCfgFile.isEmpty() && QFileInfo(config.strMfpCfgFile).isFile()) {
        QSettings ini(config.strMfpCfgFile, QSettings::IniFormat);
        name = ini.value("ENGINE/Backend", name).toString().trimmed().toLower();
        if (name.isEmpty())
            name = QStringLiteral("simulator");
    }
    if (name == QLatin1String("simulator"))
        return std::make_unique<SimulatorBackend>(config);
#if defined(TESSARK_HAVE_SANE)
    if (name == QLatin1String("sane"))
        return std::make_unique<SaneBackend>(config);
#endif
    // A misspelt backend must not quietly scan from the simulator.
    qWarning() << "createScannerBackend" << "Unknown backend:" << name;
    return nullptr;
}
