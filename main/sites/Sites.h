#pragma once
// The four site adapters and the dispatch the harvest tick uses.

#include "Bakeca.h"
#include "Backpage.h"
#include "Craigslist.h"
#include "Kijiji.h"
#include "SiteContext.h"

#include <string>
#include <vector>

namespace tessaly {

// Walks one complete listing page of the site with this index
// (0 Craigslist, 1 Backpage, 2 Kijiji, 3 Bakeca); any other index does nothing.
void ParseListingPage(SiteContext& ctx, int siteIndex, const std::string& pageText);

// The details URLs the site's listing parser would take from a listing page,
// in order; empty for an unknown index.
std::vector<std::string> ListingLinks(int siteIndex, const std::string& pageText);

// Fills the seven details fields of record from a details page already in
// memory; does nothing for an unknown index.
void ParseDetailsPage(int siteIndex, const std::string& page, LeadRecord& record);

} // namespace tessaly
