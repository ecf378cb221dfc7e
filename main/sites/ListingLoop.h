#pragma once
// The loop every listing parser runs around its details parser and intake.

#include "LeadRecord.h"
#include "SiteContext.h"

#include <string>
#include <vector>

namespace tessaly {

// Walks the ad links of one listing page, one at a time, in page order.
class ListingWalker {
public:
    virtual ~ListingWalker() = default;
    // The loop test: is there another ad block in what is left of the page?
    virtual bool HasMore() const = 0;
    // Cuts the next link out of the page. Only called after HasMore().
    virtual std::string Take() = 0;
    // Whether a taken link is an ad worth fetching (only Craigslist filters).
    virtual bool IsAd(const std::string&) const { return true; }
};

using DetailsParser = void (*)(SiteContext& ctx, const std::string& url, LeadRecord& record);

// Stop flag before each ad; details; a stop raised during the fetch gets one
// pump and ends the walk at the next test; then intake: Added pumps, Skipped
// goes straight on, RunEnded returns at once.
void RunListingLoop(SiteContext& ctx, int siteIndex, ListingWalker& walker, DetailsParser details);

// Every link the walker would hand to the details parser, in order.
std::vector<std::string> CollectListingLinks(ListingWalker& walker);

// Fetches url and, when that worked, parses the page with parsePage.
void FetchAndParseDetails(SiteContext& ctx, const std::string& url, LeadRecord& record,
                          void (*parsePage)(const std::string&, LeadRecord&));

// Appends extra to phones (behind) unless it is empty or already a part of it.
void AppendPhones(std::string& phones, const std::string& extra);
// Puts extra in front of phones unless it is empty or already a part of it.
void PrependPhones(std::string& phones, const std::string& extra);

} // namespace tessaly
