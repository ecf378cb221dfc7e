#pragma once
// The Updater's work without a window: the command line, one update run
// (fetch the description, compare versions, download the listed file, start
// it) and Stop/Close. The window implements IUpdateView; the tests drive the
// runner through a fake one.

#include <QLocale>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QNetworkReply;

namespace tessaly::updater {

class IUpdateView {
public:
    virtual ~IUpdateView() = default;
    // Adds a line at the end of memLog.
    virtual void AddLogLine(const QString& line) = 0;
    // MainGauge: bytes so far of the expected total (0 when unknown).
    virtual void SetGauge(qint64 value, qint64 maximum) = 0;
    virtual void SetStopEnabled(bool enabled) = 0;
    // Closes the window, which ends the program.
    virtual void CloseWindow() = 0;
};

struct CommandLine {
    QString updateBaseUrl;
    float installedVersion = 0.0f;
    QString updateKind;
};

// The three arguments (without the program name). Empty when one of them is
// missing or empty: the program then ends without any network access.
std::optional<CommandLine> ParseCommandLine(const QStringList& args,
                                            const QLocale& locale = QLocale::system());

// Lines of memLog.
namespace LogText {
inline const char* const Checking = "Checking updates...";
inline const char* const NoUpdates = "There are no updates for this product!";
inline const char* const DownloadingPrefix = "Downloading version ";
inline const char* const Completed = "Download completed!";
inline const char* const ConnectionError = "Connection error, check if you are connected to Internet.";
inline const char* const ProcessAborted = "Process aborted!";
inline const char* const StoppedByUser = "Update stopped by user!";
inline const char* const RefusedTargetPrefix = "Refused target path: ";
inline const char* const ChecksumMismatchPrefix = "Checksum mismatch, the download was deleted: ";
inline const char* const CannotCreatePrefix = "Cannot create the file: ";
} // namespace LogText

class UpdateRunner {
public:
    // updaterDir: the folder of the Updater executable (kind "B" keeps its
    // description and its download there).
    UpdateRunner(IUpdateView& view, CommandLine commandLine, QString updaterDir);
    ~UpdateRunner();
    UpdateRunner(const UpdateRunner&) = delete;
    UpdateRunner& operator=(const UpdateRunner&) = delete;

    // The first timer tick: "A" runs the application update, "B" the Quorin
    // update, any other kind nothing (false).
    bool Run();
    void RunApplicationUpdate();
    void RunQuorinUpdate();

    // Fetches url into target (replacing a file there); blocks while the
    // event loop keeps running. False on failure, abort or Stop.
    bool DownloadUpdateFile(const QString& url, const QString& target);

    // "Stop": ends a transfer at once and logs it.
    void Stop();
    // "Close": ends a transfer at once; the window then closes itself.
    void Abort();
    bool AbortRequested() const { return abortRequested_; }

    // How a downloaded program is started; QProcess::startDetached without
    // arguments unless replaced.
    void SetProgramStarter(std::function<bool(const QString& program)> starter);
    // Full path of the last download target of a run, empty before one.
    QString TargetPath() const { return targetPath_; }

private:
    struct Kind;
    void RunUpdate(const Kind& kind);
    void StartDownloaded(const QString& path);

    IUpdateView& view_;
    CommandLine commandLine_;
    QString updaterDir_;
    QNetworkAccessManager network_;
    QPointer<QNetworkReply> reply_;
    bool abortRequested_ = false;
    qint64 gaugeMaximum_ = 100;
    QString targetPath_;
    std::function<bool(const QString&)> starter_;
};

// True when the TargetPath of a description names a file inside the target
// folder: relative, and not climbing out of it with "..". Backslashes count
// as slashes. On success cleaned holds the path with slashes.
bool IsSafeTargetPath(const QString& targetPath, QString* cleaned = nullptr);

} // namespace tessaly::updater
