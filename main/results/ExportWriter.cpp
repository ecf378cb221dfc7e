#include "ExportWriter.h"

#include "LeadIntake.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace tessaly {

namespace {

const char kBom[] = "\xEF\xBB\xBF";
const char kLineEnd[] = "\r\n";

// Rows are written in blocks, not one write call per row.
constexpr std::size_t kWriteBlock = 1 << 16;

// Files are opened unbuffered so that a short write (disk full, size limit)
// surfaces at the write; through Qt's buffer it can pass unnoticed.
bool WriteAll(QIODevice& device, const std::string& bytes)
{
    errno = 0;
    return device.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

// Qt reports a partial write without an error of its own; the system's
// reason is then in errno.
QString WriteFailure(const QFileDevice& file)
{
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    return QString::fromLocal8Bit(std::strerror(errno ? errno : EIO));
}

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

// A new file's name lives in its folder: sync the folder too, or a crash
// soon after could lose the whole file although its lines were synced.
void SyncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

QString ExportedText(int count)
{
    return QString::number(count) + QStringLiteral(" exported items");
}

std::string ExportHeaderLine()
{
    LeadRecord captions;
    captions.Category = kLeadColumnCaptions[0];
    captions.Location = kLeadColumnCaptions[1];
    captions.Headline = kLeadColumnCaptions[2];
    captions.Description = kLeadColumnCaptions[3];
    captions.Emails = kLeadColumnCaptions[4];
    captions.Phones = kLeadColumnCaptions[5];
    captions.DatePosted = kLeadColumnCaptions[6];
    captions.DetailsUrl = kLeadColumnCaptions[7];
    return LeadIntake::ExportLine(captions);
}

bool WriteExportFile(const QString& path, const ResultsModel& model, QString* error)
{
    QSaveFile file(path);
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file.errorString());

    std::string block = kBom + ExportHeaderLine() + kLineEnd;
    for (int row = 0; row < model.Count(); ++row) {
        block += LeadIntake::ExportLine(model.Row(row));
        block += kLineEnd;
        if (block.size() >= kWriteBlock) {
            if (!WriteAll(file, block))
                return fail(WriteFailure(file));
            block.clear();
        }
    }
    if (!WriteAll(file, block))
        return fail(WriteFailure(file));
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QString AutoExportWriter::FilePath(const std::string& folder, const std::string& baseName, const std::string& runStamp)
{
    const QString name = QString::fromStdString(baseName + " " + runStamp + ".csv");
    return QDir(QString::fromStdString(folder)).filePath(name);
}

bool AutoExportWriter::AppendExportLine(const std::string& folder, const std::string& baseName,
                                        const std::string& line, HarvestSession& session, QString* error)
{
    const QString folderPath = QString::fromStdString(folder);
    if (folder.empty() || !QFileInfo(folderPath).isDir()) {
        if (error)
            *error = QStringLiteral("The export folder %1 does not exist.").arg(Native(folderPath));
        return false;
    }

    // Opened per line rather than held open: a file moved or deleted during
    // the run is started again (with its header) instead of written into
    // the void, and nothing is left open when the run ends.
    const QString path = FilePath(folder, baseName, session.RunStamp);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        if (error)
            *error = QStringLiteral("Cannot write the export file %1: %2").arg(Native(path), file.errorString());
        return false;
    }
    const qint64 oldSize = file.size();
    std::string bytes;
    if (oldSize == 0)
        bytes = kBom + ExportHeaderLine() + kLineEnd;
    bytes += line;
    bytes += kLineEnd;
    QString reason;
    if (!WriteAll(file, bytes))
        reason = WriteFailure(file);
    else if (::fsync(file.handle()) != 0)
        reason = QString::fromLocal8Bit(std::strerror(errno));
    if (!reason.isEmpty()) {
        // Leave no half line behind for the next line to be glued to.
        file.resize(oldSize);
        if (error)
            *error = QStringLiteral("Cannot write the export file %1: %2").arg(Native(path), reason);
        return false;
    }
    file.close();
    if (oldSize == 0)
        SyncFolder(folderPath);

    ++session.ExportedCount;
    return true;
}

} // namespace tessaly
