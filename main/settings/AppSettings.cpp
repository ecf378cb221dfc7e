#include "AppSettings.h"

namespace tessaly {

AppSettings& TheAppSettings()
{
    static AppSettings settings;
    return settings;
}

} // namespace tessaly
