#include "app/globals.h"

#include "app/configfile.h"
#include "app/logger.h"
#include "ptessark.h"
#include "scan/devicelists.h"
#include "scan/scanrequest.h"

// One translation unit, so the order of construction is the order written here.
namespace {
ConfigFile g_configFile;
ScanRequest g_scanRequest{}; // all zero
PTessark g_tessark;
Logger g_logger;
DeviceLists g_deviceLists;
} // namespace

ConfigFile &configFile()
{
    return g_configFile;
}

ScanRequest &scanRequest()
{
    return g_scanRequest;
}

PTessark &tessark()
{
    return g_tessark;
}

DeviceLists &deviceLists()
{
    return g_deviceLists;
}
