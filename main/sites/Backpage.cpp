#include "Backpage.h"

#include "ListingLoop.h"
#include "UUtils.h"

namespace tessaly {

namespace {

class BackpageWalker : public ListingWalker {
public:
    explicit BackpageWalker(const std::string& page) : cursor_(page)
    {
        ExtractBetween(cursor_, "<DIV class=mainBody>", "<DIV class=cat>");
    }
    bool HasMore() const override { return cursor_.Contains("<DIV class=cat>"); }
    std::string Take() override
    {
        ExtractBetween(cursor_, "<DIV class=cat>", "<A href=\"");
        return ExtractBetween(cursor_, "<A href=\"", "\">");
    }

private:
    TextCursor cursor_;
};

} // namespace

void ParseBackpageListing(SiteContext& ctx, const std::string& page)
{
    BackpageWalker walker(page);
    RunListingLoop(ctx, 1, walker, &ParseBackpageDetails);
}

std::vector<std::string> BackpageListingLinks(const std::string& page)
{
    BackpageWalker walker(page);
    return CollectListingLinks(walker);
}

void ParseBackpageDetails(SiteContext& ctx, const std::string& url, LeadRecord& record)
{
    FetchAndParseDetails(ctx, url, record, &ParseBackpageDetailsPage);
}

void ParseBackpageDetailsPage(const std::string& page, LeadRecord& record)
{
    const std::string suffix = BackpageDomainSuffix;

    // The crumbs link to "http://<city>.backpage.com/<section>/"; the last
    // link is the most specific one.
    {
        TextCursor pageCursor(page);
        TextCursor crumb(ExtractBetween(pageCursor, "<div id=\"cookieCrumb\">", "</div>"));
        std::string city;
        std::string section;
        while (crumb.Contains("http://")) {
            city = ExtractBetween(crumb, "http://", suffix);
            section = ExtractBetween(crumb, suffix + "/", "/\"");
        }
        record.Location = city;
        record.Category = section;
    }

    TextCursor cursor(page);
    std::string headline;
    if (cursor.Contains("<h1>"))
        headline = ExtractBetween(cursor, "<h1>", "</h1>");
    record.Headline = Trim(HtmlToText(headline));

    record.DatePosted = ExtractBetween(cursor, "posted: ", "</div>");
    record.Emails = ExtractEmails(DecodeNumericEntities(cursor.Rest()));

    std::string description;
    if (cursor.Contains("<div class=\"postingBody\">"))
        description = ExtractBetween(cursor, "<div class=\"postingBody\">", "</div>");
    record.Description = HtmlToText(description);
    record.Phones = ExtractPhones(HtmlToText(record.Description));

    // Posters often leave their number only in the reply box's contact line.
    TextCursor contactCursor(page);
    AppendPhones(record.Phones, ExtractPhones(ExtractBetween(contactCursor, "Contact:", "<")));
}

} // namespace tessaly
