#include "app/globals.h"

#include "app/configfile.h"
#include "app/logger.h"
#include "ptessark.h"

// One translation unit, so the order of construction is the order written here.
namespace {
ConfigFile g_configFile;
PTessark g_tessark;
Logger g_logger;
} // namespace

ConfigFile &configFile()
{
    return g_configFile;
}

PTessark &tessark()
{
    return g_tessark;
}
