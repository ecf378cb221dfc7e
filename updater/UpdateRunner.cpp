#include "UpdateRunner.h"

#include "IniFile.h"
#include "UpdateCommon.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QTemporaryDir>

namespace tessaly::updater {

struct UpdateRunner::Kind {
    bool application;            // kind "A"
    const char* descriptionFile;
    const char* section;
};

namespace {

const char* const UserAgent = "Mozilla/3.0 (compatible; Indy Library)";

bool Sha256Matches(const QString& path, const QString& expectedHex)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return false;
    return QString::fromLatin1(hash.result().toHex()).compare(expectedHex.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<CommandLine> ParseCommandLine(const QStringList& args, const QLocale& locale)
{
    if (args.size() < 3 || args[0].isEmpty() || args[1].isEmpty() || args[2].isEmpty())
        return std::nullopt;
    return CommandLine{args[0], VersionToFloat(args[1], locale), args[2]};
}

bool IsSafeTargetPath(const QString& targetPath, QString* cleaned)
{
    QString path = targetPath;
    path.replace(u'\\', u'/');
    if (path.isEmpty() || path.startsWith(u'/') || QDir::isAbsolutePath(path))
        return false;
    // A drive letter ("C:...") would be absolute on the system the
    // descriptions were first written for.
    if (path.size() >= 2 && path[1] == u':' && path[0].isLetter())
        return false;
    const QString clean = QDir::cleanPath(path);
    if (clean == u"." || clean == u".." || clean.startsWith(u"../"))
        return false;
    if (cleaned)
        *cleaned = clean;
    return true;
}

UpdateRunner::UpdateRunner(IUpdateView& view, CommandLine commandLine, QString updaterDir)
    : view_(view), commandLine_(std::move(commandLine)), updaterDir_(std::move(updaterDir))
{
    // The updater never goes through a proxy, whatever the system says.
    network_.setProxy(QNetworkProxy::NoProxy);
}

UpdateRunner::~UpdateRunner()
{
    if (reply_)
        reply_->abort();
}

void UpdateRunner::SetProgramStarter(std::function<bool(const QString&)> starter)
{
    starter_ = std::move(starter);
}

bool UpdateRunner::Run()
{
    if (commandLine_.updateKind == u"B") {
        RunQuorinUpdate();
        return true;
    }
    if (commandLine_.updateKind == u"A") {
        RunApplicationUpdate();
        return true;
    }
    return false;
}

void UpdateRunner::RunApplicationUpdate()
{
    RunUpdate(Kind{true, "mainappupdate.inf", "APPLICATION"});
}

void UpdateRunner::RunQuorinUpdate()
{
    RunUpdate(Kind{false, "quorinupdate.inf", "QUORIN"});
}

void UpdateRunner::RunUpdate(const Kind& kind)
{
    const QString description = kind.application
        ? MakeTempFileName(QStringLiteral(".inf"))
        : updaterDir_ + u'/' + QLatin1String(kind.descriptionFile);
    view_.AddLogLine(QString::fromLatin1(LogText::Checking));
    const QString baseUrl = commandLine_.updateBaseUrl;
    const QString section = QLatin1String(kind.section);

    const auto finish = [this] { view_.SetStopEnabled(false); };

    if (description.isEmpty()) {
        view_.AddLogLine(QString::fromLatin1(LogText::CannotCreatePrefix) + QDir::tempPath());
        return finish();
    }
    if (!DownloadUpdateFile(baseUrl + QLatin1String(kind.descriptionFile), description)
        || !QFileInfo::exists(description))
        return finish();

    const IniFile ini = IniFile::Load(description);
    const QString versionText = ini.ReadString(section, QStringLiteral("Version"));
    if (commandLine_.installedVersion >= VersionToFloat(versionText)) {
        view_.AddLogLine(QString::fromLatin1(LogText::NoUpdates));
        return finish();
    }
    view_.AddLogLine(QString::fromLatin1(LogText::DownloadingPrefix) + versionText + QStringLiteral("..."));

    QString sourcePath = ini.ReadString(section, QStringLiteral("SourcePath"));
    sourcePath.replace(u'\\', u'/');
    const QString rawTarget = ini.ReadString(section, QStringLiteral("TargetPath"));
    const bool hasChecksum = ini.HasKey(section, QStringLiteral("SHA256"));
    const QString checksum = ini.ReadString(section, QStringLiteral("SHA256"));
    QFile::remove(description);

    QString relativeTarget;
    if (!IsSafeTargetPath(rawTarget, &relativeTarget)) {
        view_.AddLogLine(QString::fromLatin1(LogText::RefusedTargetPrefix) + rawTarget);
        return finish();
    }

    // The application update is stored in a folder of its own that did not
    // exist before this run and only this user can enter, so nobody can put
    // a file or a link under the name it is about to be started from.
    QString targetFolder = updaterDir_;
    if (kind.application) {
        QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/TessalyUpdate-XXXXXX"));
        if (!folder.isValid()) {
            view_.AddLogLine(QString::fromLatin1(LogText::CannotCreatePrefix) + QDir::tempPath());
            return finish();
        }
        folder.setAutoRemove(false);
        targetFolder = folder.path();
    }
    targetPath_ = targetFolder + u'/' + relativeTarget;
    QDir().mkpath(QFileInfo(targetPath_).absolutePath());

    bool ok = DownloadUpdateFile(baseUrl + sourcePath, targetPath_) && QFileInfo::exists(targetPath_);
    if (ok && hasChecksum && !Sha256Matches(targetPath_, checksum)) {
        QFile::remove(targetPath_);
        view_.AddLogLine(QString::fromLatin1(LogText::ChecksumMismatchPrefix) + rawTarget);
        ok = false;
    }
    if (ok) {
        view_.AddLogLine(QString::fromLatin1(LogText::Completed));
        StartDownloaded(targetPath_);
        view_.CloseWindow();
        return;
    }
    // Nothing usable was stored: the private folder goes with it.
    if (kind.application && !QFileInfo::exists(targetPath_))
        QDir(targetFolder).removeRecursively();
    finish();
}

void UpdateRunner::StartDownloaded(const QString& path)
{
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ReadOwner
                                    | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Started directly, without a shell, and not checked: the updater's
    // work ends here either way.
    if (starter_)
        starter_(path);
    else
        QProcess::startDetached(path, {});
}

bool UpdateRunner::DownloadUpdateFile(const QString& url, const QString& target)
{
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        QFile::remove(target);
    // NewOnly: a file or link that reappeared under the name since the
    // removal is never written through.
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        view_.AddLogLine(QString::fromLatin1(LogText::CannotCreatePrefix) + target);
        return false;
    }

    view_.SetGauge(0, gaugeMaximum_);
    QCoreApplication::processEvents();

    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromLatin1(UserAgent));
    request.setRawHeader("Accept", "text/html, */*");
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/html"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(15);

    bool writeFailed = false;
    bool started = false;
    QEventLoop loop;
    QNetworkReply* reply = network_.get(request);
    reply_ = reply;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        const QByteArray data = reply->readAll();
        if (!writeFailed && file.write(data) != data.size()) {
            writeFailed = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64 total) {
        if (abortRequested_) {
            reply->abort();
            return;
        }
        if (!started) {
            started = true;
            gaugeMaximum_ = total > 0 ? total : 0;
        }
        view_.SetGauge(received, gaugeMaximum_);
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // Stop may have come while the events above ran.
    if (abortRequested_)
        reply->abort();
    if (!reply->isFinished())
        loop.exec();

    if (!writeFailed && reply->error() == QNetworkReply::NoError) {
        const QByteArray rest = reply->readAll();
        if (file.write(rest) != rest.size())
            writeFailed = true;
    }
    const bool transferred = !writeFailed && reply->error() == QNetworkReply::NoError;
    reply_ = nullptr;
    reply->deleteLater();

    if (transferred && file.flush()) {
        file.close();
        view_.SetGauge(gaugeMaximum_, gaugeMaximum_);
        if (abortRequested_) {
            view_.AddLogLine(QString::fromLatin1(LogText::ProcessAborted));
            return false;
        }
        return true;
    }
    if (!abortRequested_)
        view_.AddLogLine(QString::fromLatin1(LogText::ConnectionError));
    file.close();
    QFile::remove(target);
    return false;
}

void UpdateRunner::Stop()
{
    abortRequested_ = true;
    if (reply_)
        reply_->abort();
    view_.AddLogLine(QString::fromLatin1(LogText::StoppedByUser));
    view_.SetStopEnabled(false);
}

void UpdateRunner::Abort()
{
    abortRequested_ = true;
    if (reply_)
        reply_->abort();
}

} // namespace tessaly::updater
