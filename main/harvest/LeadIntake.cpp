#include "LeadIntake.h"

#include "UUtils.h"

#include <QLocale>

namespace tessaly {

LeadIntake::LeadIntake(HarvestSession& session, const AppSettings& settings, IIntakeHost& host)
    : session_(session), settings_(settings), host_(host)
{
}

std::string LeadIntake::ExportLine(const LeadRecord& record)
{
    // Free-text fields are cleaned and trimmed. The others are written as
    // found, blanks included; only a double quote, which would end the field
    // early and shift every later column (Kijiji date texts can hold tags with
    // quoted attributes), is replaced like in the free-text fields.
    const std::string fields[8] = {
        SanitizeCsvField(record.Category), SanitizeCsvField(record.Location),
        SanitizeCsvField(record.Headline), SanitizeCsvField(record.Description),
        ReplaceAll(record.Emails, "\"", "\xC2\xA8"), ReplaceAll(record.Phones, "\"", "\xC2\xA8"),
        ReplaceAll(record.DatePosted, "\"", "\xC2\xA8"), ReplaceAll(record.DetailsUrl, "\"", "\xC2\xA8")};
    std::string line;
    for (int i = 0; i < 8; ++i) {
        if (i > 0)
            line += ',';
        line += '"';
        line += fields[i];
        line += '"';
    }
    return line;
}

static QDate ParseSiteDate(int siteIndex, const std::string& text)
{
    switch (siteIndex) {
    case SiteCraigslist: return ParseIsoPostDate(text);
    case SiteBackpage: return ParseEnglishPostDate(text);
    case SiteKijiji: return ParseItalianPostDate(text);
    case SiteBakeca: return ParseSlashPostDate(text);
    default: return QDate();
    }
}

IntakeOutcome LeadIntake::IntakeLead(LeadRecord& record, int siteIndex)
{
    if (settings_.ExportAutomatic) {
        host_.AppendExportLine(settings_.ExportFolder, "Results", ExportLine(record));
        return IntakeOutcome::Added;
    }

    if (Trim(record.DetailsUrl).empty())
        return IntakeOutcome::Skipped;
    if (session_.HasSeen(record.DetailsUrl))
        return IntakeOutcome::Skipped;

    // The user may move the interval between two ads; never cache it.
    const QDate start = host_.StartDate();
    const QDate end = host_.EndDate();

    // Craigslist ads without a date line are kept undated; the other sites'
    // parsers have their own answer for an empty text.
    const bool dated = siteIndex != SiteCraigslist || !Trim(record.DatePosted).empty();
    if (dated) {
        const QDate posted = ParseSiteDate(siteIndex, record.DatePosted);
        if (posted.isValid()) {
            if (posted < start) {
                session_.Running = false;
                return IntakeOutcome::RunEnded;
            }
            if (posted > end)
                return IntakeOutcome::Skipped;
            record.DatePosted = QLocale::system().toString(posted, QLocale::ShortFormat).toUtf8().toStdString();
        }
    }

    session_.Remember(record.DetailsUrl);
    const int rows = host_.AddResultRow(record);
    host_.SetSecondaryPanel(QString::number(rows) + QStringLiteral(" items"));
    return IntakeOutcome::Added;
}

} // namespace tessaly
