#include "SettingsStore.h"

#include "TextCursor.h"
#include "UUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

namespace tessaly {

namespace {

const char* const kFileName = "settings.dat";

std::string StartTag(const char* key) { return std::string("<%%") + key + "%%>"; }
std::string EndTag(const char* key) { return std::string("<%%/") + key + "%%>"; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number as the locale reads one: blanks around it, an optional
// sign, digits with at most one decimal separator, an optional exponent.
// Returns 1 for a non-zero number, 0 for zero, -1 when it is no number.
int ClassifyNumber(const std::string& text, char decimalPoint)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    bool digits = false;
    bool nonZero = false;
    while (i < n && IsDigit(text[i])) {
        digits = true;
        nonZero = nonZero || text[i] != '0';
        ++i;
    }
    if (i < n && text[i] == decimalPoint) {
        ++i;
        while (i < n && IsDigit(text[i])) {
            digits = true;
            nonZero = nonZero || text[i] != '0';
            ++i;
        }
    }
    if (!digits)
        return -1;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (i >= n || !IsDigit(text[i]))
            return -1;
        while (i < n && IsDigit(text[i]))
            ++i;
    }
    while (i < n && text[i] == ' ')
        ++i;
    if (i != n)
        return -1;
    return nonZero ? 1 : 0;
}

char LocaleDecimalPoint()
{
    const QString point = QLocale::system().decimalPoint();
    if (point.size() == 1 && point.at(0).unicode() < 0x80)
        return char(point.at(0).unicode());
    return '.';
}

// The documents folder, or empty where the desktop has none: a missing
// documents folder must not keep the rest of the settings from loading.
std::string DocumentsFolderOrEmpty()
{
    try {
        return GetMyDocumentsFolder();
    } catch (const std::exception&) {
        return std::string();
    }
}

void AppendLine(std::string& out, const char* key, const std::string& value)
{
    out += StartTag(key);
    out += value;
    out += EndTag(key);
    out += "\r\n";
}

const char* FlagText(bool value) { return value ? "-1" : "0"; }

// Qt reports a partial write without an error of its own; the system's
// reason is then in errno.
QString WriteFailure(const QFileDevice& file)
{
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    return QString::fromLocal8Bit(std::strerror(errno ? errno : EIO));
}

} // namespace

bool ParseSettingsFlag(const std::string& value, bool fallback)
{
    const int number = ClassifyNumber(value, LocaleDecimalPoint());
    if (number >= 0)
        return number == 1;
    if (AsciiLower(value) == "true")
        return true;
    if (AsciiLower(value) == "false")
        return false;
    return fallback;
}

std::string SettingsFilePath()
{
    QString folder = qEnvironmentVariable("TESSALY_SETTINGS_DIR");
    if (folder.isEmpty()) {
        folder = QCoreApplication::applicationDirPath();
        if (folder.isEmpty() || !QFileInfo(folder).isWritable()) {
            folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
            QDir().mkpath(folder);
        }
    }
    return QDir(folder).filePath(QString::fromLatin1(kFileName)).toStdString();
}

void LoadSettings(AppSettings& s, const std::string& path)
{
    s = AppSettings{};
    s.ExportManually = true;
    s.ExportFolder = DocumentsFolderOrEmpty();

    // A file that exists but cannot be read counts as absent: the defaults
    // apply and the next save replaces it.
    QFile file(QString::fromStdString(path));
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        TextCursor text(std::string(bytes.constData(), std::size_t(bytes.size())));

        // One cursor over the whole file, keys in their stored order: a key
        // that stands before one read earlier is not found.
        auto next = [&text](const char* key) {
            return ExtractBetween(text, StartTag(key), EndTag(key));
        };
        s.UseProxy = ParseSettingsFlag(next("rUseProxy"), false);
        s.NoProxy = ParseSettingsFlag(next("rNoProxy"), false);
        if (!s.UseProxy)
            s.NoProxy = true;
        s.Authentification = ParseSettingsFlag(next("rAuthentification"), false);
        s.Host = next("eHost");
        s.Port = next("ePort");
        s.UserName = next("eUserName");
        s.Password = next("ePassword");
        s.ExportManually = ParseSettingsFlag(next("cExportManually"), true);
        s.ExportAutomatic = ParseSettingsFlag(next("cExportAutomatic"), false);
        s.ExportFolder = next("eExportFolder");
        if (Trim(s.ExportFolder).empty())
            s.ExportFolder = DocumentsFolderOrEmpty();
    }
}

bool SaveSettings(const AppSettings& s, const std::string& path, QString* error)
{
    std::string out;
    AppendLine(out, "rUseProxy", FlagText(s.UseProxy));
    AppendLine(out, "rNoProxy", FlagText(s.NoProxy));
    AppendLine(out, "rAuthentification", FlagText(s.Authentification));
    AppendLine(out, "eHost", s.Host);
    AppendLine(out, "ePort", s.Port);
    AppendLine(out, "eUserName", s.UserName);
    AppendLine(out, "ePassword", s.Password);
    AppendLine(out, "cExportManually", FlagText(s.ExportManually));
    AppendLine(out, "cExportAutomatic", FlagText(s.ExportAutomatic));
    AppendLine(out, "eExportFolder", s.ExportFolder);

    // Unbuffered: a short write (disk full, size limit) must surface here;
    // through Qt's write buffer it can pass unnoticed and commit a cut file.
    QSaveFile file(QString::fromStdString(path));
    auto fail = [&file, error](const QString& reason) {
        if (error)
            *error = reason;
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file.errorString());
    // Restrict the temporary file before the password goes into it; the
    // rename carries the permissions over to settings.dat.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return fail(file.errorString());
    errno = 0;
    if (file.write(out.data(), qint64(out.size())) != qint64(out.size()))
        return fail(WriteFailure(file));
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QString ModeText(const AppSettings& s)
{
    return s.ExportManually ? QStringLiteral("Mode: Manual Export") : QStringLiteral("Mode: Automatic Export");
}

} // namespace tessaly
