#include "Bakeca.h"

#include "ListingLoop.h"
#include "UUtils.h"

namespace tessaly {

namespace {

class BakecaWalker : public ListingWalker {
public:
    explicit BakecaWalker(const std::string& page) : cursor_(page)
    {
        ExtractBetween(cursor_, "<DIV class=annuncio-elenco", ">");
    }
    bool HasMore() const override { return cursor_.Contains("<H3>"); }
    std::string Take() override
    {
        ExtractBetween(cursor_, "<H3>", "href=\"");
        return ExtractBetween(cursor_, "href=\"", "\"");
    }

private:
    TextCursor cursor_;
};

} // namespace

void ParseBakecaListing(SiteContext& ctx, const std::string& page)
{
    BakecaWalker walker(page);
    RunListingLoop(ctx, 3, walker, &ParseBakecaDetails);
}

std::vector<std::string> BakecaListingLinks(const std::string& page)
{
    BakecaWalker walker(page);
    return CollectListingLinks(walker);
}

void ParseBakecaDetails(SiteContext& ctx, const std::string& url, LeadRecord& record)
{
    FetchAndParseDetails(ctx, url, record, &ParseBakecaDetailsPage);
}

void ParseBakecaDetailsPage(const std::string& page, LeadRecord& record)
{
    TextCursor cursor(page);

    // The page has no labelled fields: town, category and date are the
    // first three <strong> elements from the breadcrumb on, in this order.
    ExtractBetween(cursor, "<div class=\"breadcrumbs\"", ">");
    record.Location = ExtractBetween(cursor, "<strong>", "</strong>");
    record.Category = ExtractBetween(cursor, "<strong>", "</strong>");

    std::string headline;
    if (cursor.Contains("<span class=\"postpreviewtitle\">"))
        headline = ExtractBetween(cursor, "<span class=\"postpreviewtitle\">", "</span>");
    record.Headline = Trim(HtmlToText(headline));

    record.DatePosted = ExtractBetween(cursor, "<strong>", "</strong>");
    record.Emails = ExtractEmails(DecodeNumericEntities(cursor.Rest()));

    // The text block's own "</div>" is followed by a blank in the template;
    // nested blocks close without one.
    std::string description;
    if (cursor.Contains("<div class=\"text\">"))
        description = ExtractBetween(cursor, "<div class=\"text\">", "</div> ");
    record.Description = HtmlToText(description);
    record.Phones = ExtractPhones(HtmlToText(record.Description));

    TextCursor whole(page);
    ExtractBetween(whole, "<span>Tel.</span>", "</td>");
    AppendPhones(record.Phones, ExtractPhones(ExtractBetween(whole, "<td>", "</td>")));
}

} // namespace tessaly
