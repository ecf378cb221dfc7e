#pragma once
#include "AppSettings.h"
#include "HarvestHost.h"
#include "HarvestSession.h"
#include "LeadRecord.h"

#include <string>

namespace tessaly {

enum class IntakeOutcome { Added, Skipped, RunEnded };

// Decides what becomes of one harvested ad: an export line (automatic
// export) or a row of the results list, after the duplicate and interval
// checks. Reads settings, interval and seen-URL list afresh on every call.
class LeadIntake {
public:
    LeadIntake(HarvestSession& session, const AppSettings& settings, IIntakeHost& host);

    // May throw ConversionError from the site's date parser.
    IntakeOutcome IntakeLead(LeadRecord& record, int siteIndex);

    // The eight fields quoted and joined by commas, the first four through
    // SanitizeCsvField; no line terminator.
    static std::string ExportLine(const LeadRecord& record);

private:
    HarvestSession& session_;
    const AppSettings& settings_;
    IIntakeHost& host_;
};

} // namespace tessaly
