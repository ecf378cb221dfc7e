#pragma once
#include "LeadRecord.h"
#include "SiteContext.h"

#include <string>
#include <vector>

namespace tessaly {

// Walks the ads of one listing page (the browser's serialisation) until the
// page ends, the stop flag is set or intake ends the run.
void ParseCraigslistListing(SiteContext& ctx, const std::string& page);
// Fetches one details page and fills the record's seven details fields;
// leaves them as they are when the fetch fails.
void ParseCraigslistDetails(SiteContext& ctx, const std::string& url, LeadRecord& record);
// The parse of a details page already in memory.
void ParseCraigslistDetailsPage(const std::string& page, LeadRecord& record);
// The details URLs ParseCraigslistListing would fetch, in page order.
std::vector<std::string> CraigslistListingLinks(const std::string& page);

} // namespace tessaly
