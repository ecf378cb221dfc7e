#pragma once
#include "LeadRecord.h"
#include "SiteContext.h"

#include <string>
#include <vector>

namespace tessaly {

// Walks the ads of one listing page (the browser's serialisation) until the
// page ends, the stop flag is set or intake ends the run.
void ParseBakecaListing(SiteContext& ctx, const std::string& page);
// Fetches one details page and fills the record's seven details fields;
// leaves them as they are when the fetch fails.
void ParseBakecaDetails(SiteContext& ctx, const std::string& url, LeadRecord& record);
// The parse of a details page already in memory.
void ParseBakecaDetailsPage(const std::string& page, LeadRecord& record);
// The details URLs ParseBakecaListing would fetch, in page order.
std::vector<std::string> BakecaListingLinks(const std::string& page);

} // namespace tessaly
