#include "ExportWriter.h"

#include "LeadIntake.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace tessaly {

namespace {

const char kBom[] = "\xEF\xBB\xBF";
const char kLineEnd[] = "\r\n";

// Rows are written in blocks, not one write call per row.
constexpr std::size_t kWriteBlock = 1 << 16;

bool WriteAll(QIODevice& device, const std::string& bytes)
{
    return device.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

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
    auto fail = [&]() {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();

    std::string block = kBom + ExportHeaderLine() + kLineEnd;
    for (int row = 0; row < model.Count(); ++row) {
        block += LeadIntake::ExportLine(model.Row(row));
        block += kLineEnd;
        if (block.size() >= kWriteBlock) {
            if (!WriteAll(file, block))
                return fail();
            block.clear();
        }
    }
    if (!WriteAll(file, block))
        return fail();
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

AutoExportWriter::AutoExportWriter(HarvestSession& session, ExportedCallback setExported)
    : session_(session), setExported_(std::move(setExported))
{
}

QString AutoExportWriter::FilePath(const std::string& folder, const std::string& baseName) const
{
    const QString name = QString::fromStdString(baseName + " " + session_.RunStamp + ".csv");
    return QDir(QString::fromStdString(folder)).filePath(name);
}

bool AutoExportWriter::AppendExportLine(const std::string& folder, const std::string& baseName,
                                        const std::string& line, QString* error)
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
    const QString path = FilePath(folder, baseName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
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
    if (!WriteAll(file, bytes) || !file.flush())
        reason = file.errorString();
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

    ++session_.ExportedCount;
    if (setExported_)
        setExported_(ExportedText(session_.ExportedCount));
    return true;
}

} // namespace tessaly
