#pragma once

// Results the engine gives back to its callers. They share the module's code
// space, so the module shows the matching message for each.
namespace EngineCode {
constexpr int Ok = 0;
constexpr int PaperJam = -2;
constexpr int FeederEmpty = -5;
constexpr int NoScanner = -20;
constexpr int Busy = -22;
constexpr int NotReady = -31; // the device stopped answering (I/O error)
constexpr int Timeout = -32;
constexpr int BadParameter = -40;
constexpr int LowMemory = -41;
constexpr int BadFilePath = -52;
constexpr int SaveFailed = -55;
constexpr int Cancelled = -150;
constexpr int Failed = -999; // any other failure of the device
} // namespace EngineCode
