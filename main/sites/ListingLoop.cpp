#include "ListingLoop.h"

namespace tessaly {

void RunListingLoop(SiteContext& ctx, int siteIndex, ListingWalker& walker, DetailsParser details)
{
    LeadRecord record;
    while (walker.HasMore()) {
        if (ctx.session.StopRequested)
            return;
        record.Clear();
        record.DetailsUrl = walker.Take();
        if (!walker.IsAd(record.DetailsUrl))
            continue;
        details(ctx, record.DetailsUrl, record);
        if (ctx.session.StopRequested) {
            // Let the Stop click finish painting; the next test ends the walk.
            ctx.pump.Pump();
            continue;
        }
        switch (ctx.intake.IntakeLead(record, siteIndex)) {
        case IntakeOutcome::Added:
            ctx.pump.Pump();
            break;
        case IntakeOutcome::Skipped:
            break;
        case IntakeOutcome::RunEnded:
            return;
        }
    }
}

std::vector<std::string> CollectListingLinks(ListingWalker& walker)
{
    std::vector<std::string> links;
    while (walker.HasMore()) {
        std::string link = walker.Take();
        if (walker.IsAd(link))
            links.push_back(std::move(link));
    }
    return links;
}

void FetchAndParseDetails(SiteContext& ctx, const std::string& url, LeadRecord& record,
                          void (*parsePage)(const std::string&, LeadRecord&))
{
    std::string page;
    if (!ctx.fetcher.GetWebResource(url, page))
        return;
    parsePage(page, record);
}

void AppendPhones(std::string& phones, const std::string& extra)
{
    if (extra.empty() || phones.find(extra) != std::string::npos)
        return;
    phones = phones.empty() ? extra : phones + "," + extra;
}

void PrependPhones(std::string& phones, const std::string& extra)
{
    if (extra.empty() || phones.find(extra) != std::string::npos)
        return;
    phones = phones.empty() ? extra : extra + "," + phones;
}

} // namespace tessaly
