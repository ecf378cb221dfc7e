#pragma once
// What the harvest core needs of the main window, as narrow interfaces that
// the window implements and the tests fake.

#include "LeadRecord.h"
#include "WindowHost.h"

#include <QDate>
#include <QString>

#include <string>

namespace tessaly {

// What lead intake reads and writes besides the session and the settings.
class IIntakeHost {
public:
    virtual ~IIntakeHost() = default;
    // The interval's dates, read afresh for every ad.
    virtual QDate StartDate() = 0;
    virtual QDate EndDate() = 0;
    // Appends one row to the results list; returns the number of rows now.
    virtual int AddResultRow(const LeadRecord& record) = 0;
    virtual void SetSecondaryPanel(const QString& text) = 0;
    // The automatic-export sink.
    virtual void AppendExportLine(const std::string& folder, const std::string& baseName,
                                  const std::string& line) = 0;
};

} // namespace tessaly
