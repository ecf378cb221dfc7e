#pragma once
#include "LeadRecord.h"
#include "SiteContext.h"

#include <string>
#include <vector>

namespace tessaly {

// The site's domain with its leading period, as it stands in the host names
// of the breadcrumb links.
inline constexpr const char* BackpageDomainSuffix = ".backpage.com";

// Walks the ads of one listing page (the browser's serialisation) until the
// page ends, the stop flag is set or intake ends the run.
void ParseBackpageListing(SiteContext& ctx, const std::string& page);
// Fetches one details page and fills the record's seven details fields;
// leaves them as they are when the fetch fails.
void ParseBackpageDetails(SiteContext& ctx, const std::string& url, LeadRecord& record);
// The parse of a details page already in memory.
void ParseBackpageDetailsPage(const std::string& page, LeadRecord& record);
// The details URLs ParseBackpageListing would fetch, in page order.
std::vector<std::string> BackpageListingLinks(const std::string& page);

} // namespace tessaly
