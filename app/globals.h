#pragma once

class ConfigFile;
class PTessark;

// Process-wide objects, created at module load in this order and destroyed
// at unload in reverse.
ConfigFile &configFile();
PTessark &tessark();
