#pragma once

class ConfigFile;
class PTessark;
struct ScanRequest;

// Process-wide objects, created at module load in this order and destroyed
// at unload in reverse.
ConfigFile &configFile();
ScanRequest &scanRequest();
PTessark &tessark();

// Registers the compiled-in images and pages; safe to call more than once.
void initModuleResources();
