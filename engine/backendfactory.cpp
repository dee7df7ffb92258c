#include "scannerbackend.h"

#include "app/configfile.h"

#include <QSettings>

std::unique_ptr<ScannerBackend> createScannerBackend(const ConfigFile &config)
{
    QString name = QStringLiteral("simulator");
    if (!config.strMfpCfgFile.isEmpty()) {
        QSettings ini(config.strMfpCfgFile, QSettings::IniFormat);
        name = ini.value("ENGINE/Backend", name).toString().trimmed().toLower();
    }
    // Backends are added here as they are built.
    return nullptr;
}
