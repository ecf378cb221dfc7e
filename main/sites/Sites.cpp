#include "Sites.h"

namespace tessaly {

void ParseListingPage(SiteContext& ctx, int siteIndex, const std::string& pageText)
{
    switch (siteIndex) {
    case 0: ParseCraigslistListing(ctx, pageText); break;
    case 1: ParseBackpageListing(ctx, pageText); break;
    case 2: ParseKijijiListing(ctx, pageText); break;
    case 3: ParseBakecaListing(ctx, pageText); break;
    default: break;
    }
}

std::vector<std::string> ListingLinks(int siteIndex, const std::string& pageText)
{
    switch (siteIndex) {
    case 0: return CraigslistListingLinks(pageText);
    case 1: return BackpageListingLinks(pageText);
    case 2: return KijijiListingLinks(pageText);
    case 3: return BakecaListingLinks(pageText);
    default: return {};
    }
}

void ParseDetailsPage(int siteIndex, const std::string& page, LeadRecord& record)
{
    switch (siteIndex) {
    case 0: ParseCraigslistDetailsPage(page, record); break;
    case 1: ParseBackpageDetailsPage(page, record); break;
    case 2: ParseKijijiDetailsPage(page, record); break;
    case 3: ParseBakecaDetailsPage(page, record); break;
    default: break;
    }
}

} // namespace tessaly
