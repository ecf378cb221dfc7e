#pragma once
// Export files: the manual "Export Results" file and the automatic-export
// sink. Both write UTF-8 with a byte-order mark (so spreadsheet programs
// read the text right), a header line of the column captions and CR LF line
// ends; every line is one export line of LeadIntake.

#include "HarvestSession.h"
#include "ResultsModel.h"

#include <QString>

#include <string>

namespace tessaly {

// "<n> exported items", the counter of spExported.
QString ExportedText(int count);

// The header line: the column captions, quoted and joined like an export
// line; no line terminator.
std::string ExportHeaderLine();

// Writes every row of `model` (dates as shown) under the header line to
// `path`, replacing the file atomically. False with the reason on failure.
bool WriteExportFile(const QString& path, const ResultsModel& model, QString* error = nullptr);

// The automatic-export sink: one file per run, "<baseName> <RunStamp>.csv"
// in the export folder, created with the header line on the run's first ad.
// Each line reaches the disk before AppendExportLine returns, so a crash
// loses nothing that was already harvested.
class AutoExportWriter {
public:
    // Appends `line` to the file of session.RunStamp and counts it in
    // session.ExportedCount. False when the folder is missing or the file
    // cannot be written: `error` then names the folder or file and the
    // reason, and the caller should stop the run, since every further ad
    // would be lost as well.
    bool AppendExportLine(const std::string& folder, const std::string& baseName, const std::string& line,
                          HarvestSession& session, QString* error = nullptr);

    // The file that lines of the run stamped `runStamp` go to.
    static QString FilePath(const std::string& folder, const std::string& baseName, const std::string& runStamp);
};

} // namespace tessaly
