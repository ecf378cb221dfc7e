#pragma once
// The main program's update check: asks the update server for a newer
// version and hands over to the Updater program.

#include "WindowHost.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

namespace tessaly {

// Everything the check needs from the main window.
struct UpdateCheckHost {
    // Fetches url into the file at path; true on success. The main window
    // passes its HttpFetcher::DownloadFile with honourStopFlag false, so a
    // stopped harvest does not hide an available update.
    std::function<bool(const std::string& url, const std::string& path)> downloadFile;
    IMessageBox* msg = nullptr;
    // Folder of the running main executable, where Updater is installed.
    std::string programDir;
    // Starts a program without a shell; QProcess::startDetached when empty.
    std::function<bool(const QString& program, const QStringList& args)> startDetached;
    std::function<void()> closeMainWindow;
};

// File name of the update description on the server.
inline constexpr const char* MainAppUpdateFile = "mainappupdate.inf";
// File name of the Updater program in the main program's folder.
inline constexpr const char* UpdaterFileName = "Updater";

// Runs one check. With silent set, nothing is shown unless an update is
// offered (the start-up check).
void CheckForUpdates(bool silent, UpdateCheckHost& host);

} // namespace tessaly
