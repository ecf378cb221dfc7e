#pragma once
#include <string>

namespace tessaly {

// The ten settings of the main program; one instance per process
// (see TheAppSettings()).
struct AppSettings {
    bool UseProxy = false;
    bool NoProxy = true;
    bool Authentification = false;
    std::string Host;
    std::string Port;
    std::string UserName;
    std::string Password;
    bool ExportManually = true;
    bool ExportAutomatic = false;
    std::string ExportFolder;
};

AppSettings& TheAppSettings();

} // namespace tessaly
