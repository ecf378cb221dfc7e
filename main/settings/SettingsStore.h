#pragma once
// settings.dat: the tagged text file that keeps AppSettings between runs.

#include "AppSettings.h"

#include <QString>

#include <string>

namespace tessaly {

// Full path of settings.dat: beside the executable, or in the per-user
// config folder where the executable's folder is not writable. The
// environment variable TESSALY_SETTINGS_DIR, when set and not empty, names
// the folder instead.
std::string SettingsFilePath();

// Fills `s` from the file at `path`, or from the defaults when there is no
// readable file. Never fails: values that do not convert take their fallback.
void LoadSettings(AppSettings& s, const std::string& path);

// Writes the ten lines of `s` to `path`, replacing the file atomically (the
// old file stays intact when anything goes wrong) and readable by the owner
// only, since it holds the proxy password. On failure returns false and, when
// `error` is given, the reason.
bool SaveSettings(const AppSettings& s, const std::string& path, QString* error = nullptr);

// The export-mode text of the status bar.
QString ModeText(const AppSettings& s);

// How a flag value of settings.dat converts: a decimal number (the locale's
// decimal separator; non-zero is true) or "True"/"False" in any letter case.
// Anything else yields `fallback`.
bool ParseSettingsFlag(const std::string& value, bool fallback);

} // namespace tessaly
