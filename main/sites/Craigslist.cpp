#include "Craigslist.h"

#include "ListingLoop.h"
#include "UGeneral.h"
#include "UUtils.h"

namespace tessaly {

namespace {

constexpr const char* kLinkStart = "<A href=\"";

class CraigslistWalker : public ListingWalker {
public:
    explicit CraigslistWalker(const std::string& page) : cursor_(page)
    {
        const bool banner = cursor_.Contains("<H4 class=ban>");
        // Skip the header table with the search form.
        ExtractBetween(cursor_, "<TABLE summary=\"\" width=\"100%\">", "</TABLE>");
        // Without the banner heading the first H4 is the date heading of the
        // list; the ads begin after it.
        if (!banner)
            ExtractBetween(cursor_, "</H4>", "<");
    }
    bool HasMore() const override { return cursor_.Contains(kLinkStart); }
    std::string Take() override { return ExtractBetween(cursor_, kLinkStart, "\">"); }
    // The listing also links its own pages (index100.html, ...) and the
    // category pages; only ad pages end in .html without "index".
    bool IsAd(const std::string& link) const override
    {
        return link.find("html") != std::string::npos && link.find("index") == std::string::npos;
    }

private:
    TextCursor cursor_;
};

// Joins trimmed parts with " > ", absorbing empty values at the front.
void JoinCrumb(std::string& value, const std::string& part)
{
    const std::string trimmed = Trim(part);
    value = value.empty() ? trimmed : value + " > " + trimmed;
}

} // namespace

void ParseCraigslistListing(SiteContext& ctx, const std::string& page)
{
    CraigslistWalker walker(page);
    RunListingLoop(ctx, 0, walker, &ParseCraigslistDetails);
}

std::vector<std::string> CraigslistListingLinks(const std::string& page)
{
    CraigslistWalker walker(page);
    return CollectListingLinks(walker);
}

void ParseCraigslistDetails(SiteContext& ctx, const std::string& url, LeadRecord& record)
{
    FetchAndParseDetails(ctx, url, record, &ParseCraigslistDetailsPage);
}

void ParseCraigslistDetailsPage(const std::string& page, LeadRecord& record)
{
    TextCursor cursor(page);

    // Breadcrumb bar: "craigslist > city > section > category"; its first
    // link is the site itself.
    ExtractBetween(cursor, "<div class=\"bchead\">", "</a>");
    std::string crumb = StripTags(ExtractBetween(cursor, "</a>", "</div"));
    crumb = ReplaceAll(crumb, "&gt;", ">");
    crumb = ReplaceAll(crumb, "&amp;", "&");
    StringList parts;
    SplitByString(">", crumb, parts);
    std::string location;
    std::string category;
    // A text without a separator is no breadcrumb: leave both empty rather
    // than read a part that is not there.
    if (parts.size() >= 2) {
        JoinCrumb(location, parts[0]);
        JoinCrumb(location, parts[1]);
        for (std::size_t i = 2; i < parts.size(); ++i)
            JoinCrumb(category, parts[i]);
    }
    record.Location = location;
    record.Category = category;

    // Headlines carry the price and the neighbourhood after the title:
    // "Oak table - $50 (north side)".
    std::string headline;
    if (cursor.Contains("<h2>"))
        headline = ExtractBetween(cursor, "<h2>", "</h2>");
    headline = HtmlToText(headline);
    CutAtFirst(headline, "[");
    CutAtFirst(headline, "(");
    CutAtFirst(headline, "-");
    record.Headline = Trim(headline);

    // "Date: 2010-12-07, 3:45PM EST<br>" follows the rule under the headline.
    ExtractBetween(cursor, "<hr", ">");
    record.DatePosted = ExtractBetween(cursor, ": ", "<br>");

    const std::string rest = DecodeNumericEntities(cursor.Rest());
    record.Emails = ExtractEmails(rest);
    record.Phones = ExtractPhones(rest);

    std::string description;
    if (cursor.Contains("<div id=\"userbody\">") && cursor.Contains("<table summary=\"craigslist hosted images\">"))
        description = ExtractBetween(cursor, "<div id=\"userbody\">", "<table summary=\"craigslist hosted images\">");
    else if (cursor.Contains("<div id=\"userbody\">") && cursor.Contains("</div>"))
        description = ExtractBetween(cursor, "<div id=\"userbody\">", "</div>");
    record.Description = HtmlToText(description);
}

} // namespace tessaly
