#include "UpdateCheck.h"

#include "IniFile.h"
#include "ProductInfo.h"
#include "UpdateCommon.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace tessaly {

namespace {

// Removes the description as soon as it has been read, and the empty name
// reservation when the download failed before writing to it.
class TempFileGuard {
public:
    explicit TempFileGuard(QString path) : path_(std::move(path)) {}
    ~TempFileGuard() { QFile::remove(path_); }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;

private:
    QString path_;
};

// Reads the offered version text; false when there is no description.
bool FetchOfferedVersion(UpdateCheckHost& host, QString& versionText)
{
    const QString temp = MakeTempFileName(QStringLiteral(".inf"));
    if (temp.isEmpty())
        return false;
    TempFileGuard guard(temp);
    if (!host.downloadFile)
        return false;
    const std::string url = UpdateBaseUrl() + MainAppUpdateFile;
    if (!host.downloadFile(url, temp.toStdString()) || !QFileInfo::exists(temp))
        return false;
    const IniFile ini = IniFile::Load(temp);
    versionText = ini.ReadString(QStringLiteral("APPLICATION"), QStringLiteral("Version"));
    return true;
}

void HandOff(UpdateCheckHost& host)
{
    const QString updater = QString::fromStdString(host.programDir) + u'/' + QLatin1String(UpdaterFileName);
    if (!QFileInfo(updater).isFile()) {
        host.msg->Show(QStringLiteral("The updater module is missing. Please reinstall again the current version!"),
                       IMessageBox::Warning, IMessageBox::Ok);
        return;
    }
    const QString question = QStringLiteral("To update your software the application will close to")
        + QStringLiteral("\n\r") + QStringLiteral("replace some files. Do you want to update now?");
    if (host.msg->Show(question, IMessageBox::Information, IMessageBox::OkCancel) != IMessageBox::AnswerOk)
        return;
    const QStringList args{QString::fromStdString(UpdateBaseUrl()), QString::fromLatin1(ProductVersion),
                           QStringLiteral("A")};
    // Whether the updater really started is not checked: the main program
    // closes either way, so that its files can be replaced.
    if (host.startDetached)
        host.startDetached(updater, args);
    else
        QProcess::startDetached(updater, args);
    if (host.closeMainWindow)
        host.closeMainWindow();
}

} // namespace

void CheckForUpdates(bool silent, UpdateCheckHost& host)
{
    QString versionText;
    if (FetchOfferedVersion(host, versionText)) {
        const float offered = VersionToFloat(versionText);
        const float own = VersionToFloat(QString::fromLatin1(ProductVersion));
        if (own < offered) {
            const QString offer = QStringLiteral("There is a new update: (version ") + versionText
                + QStringLiteral(") available for your application!. Do you want download this update now?");
            if (host.msg->Show(offer, IMessageBox::Information, IMessageBox::OkCancel) == IMessageBox::AnswerOk)
                HandOff(host);
            return;
        }
    }
    if (!silent)
        host.msg->Show(QStringLiteral("There are no new updates for this application!"),
                       IMessageBox::Information, IMessageBox::Ok);
}

} // namespace tessaly
