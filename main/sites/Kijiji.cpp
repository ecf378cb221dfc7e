#include "Kijiji.h"

#include "ListingLoop.h"
#include "UGeneral.h"
#include "UUtils.h"

namespace tessaly {

namespace {

constexpr const char* kTitleBlock = "<DIV class=\"searchResultTitleList";

class KijijiWalker : public ListingWalker {
public:
    explicit KijijiWalker(const std::string& page) : cursor_(page)
    {
        ExtractBetween(cursor_, "<DIV id=searchResultsList", kTitleBlock);
    }
    bool HasMore() const override { return cursor_.Contains(kTitleBlock); }
    std::string Take() override
    {
        ExtractBetween(cursor_, kTitleBlock, "<A href=\"");
        return ExtractBetween(cursor_, "<A href=\"", "\"");
    }

private:
    TextCursor cursor_;
};

// 1-based position of marker in what is left of the cursor, 0 when absent.
std::size_t PositionOf(const TextCursor& cursor, std::string_view marker)
{
    const std::size_t found = cursor.Find(marker);
    return found == std::string_view::npos ? 0 : found + 1;
}

void ReadDescription(TextCursor& cursor, LeadRecord& record)
{
    std::string description;
    if (cursor.Contains("<!--REPLY FORM-->")) {
        ExtractBetween(cursor, "<!--REPLY FORM-->", "<div>");
        description = ExtractBetween(cursor, "<div>", "</div>");
    }
    record.Description = CleanWhitespace(HtmlToText(description));
    record.Phones = ExtractPhones(HtmlToText(record.Description));
}

void ReadDate(TextCursor& cursor, LeadRecord& record)
{
    // "<li><span>Pubblicato:</span> 12 Marzo</li>": skip to the end of the
    // label's tag, keep everything up to the end of the item.
    ExtractBetween(cursor, "Pubblicato:", ">");
    record.DatePosted = CleanWhitespace(ExtractBetween(cursor, ">", "</li>"));
}

} // namespace

void ParseKijijiListing(SiteContext& ctx, const std::string& page)
{
    KijijiWalker walker(page);
    RunListingLoop(ctx, 2, walker, &ParseKijijiDetails);
}

std::vector<std::string> KijijiListingLinks(const std::string& page)
{
    KijijiWalker walker(page);
    return CollectListingLinks(walker);
}

void ParseKijijiDetails(SiteContext& ctx, const std::string& url, LeadRecord& record)
{
    FetchAndParseDetails(ctx, url, record, &ParseKijijiDetailsPage);
}

void ParseKijijiDetailsPage(const std::string& page, LeadRecord& record)
{
    TextCursor cursor(page);

    if (cursor.Contains("<div class=\"breadcrumb_h1\">")) {
        std::string crumb = ExtractBetween(cursor, "<div class=\"breadcrumb_h1\">", "<div");
        crumb = Trim(ReplaceAll(CleanWhitespace(StripTags(crumb)), "Home > ", ""));
        StringList steps;
        SplitByString(">", crumb, steps);
        // Only the region > town > section > subsection form is understood;
        // the blanks around the separators are kept on purpose.
        if (steps.size() == 4) {
            record.Location = steps[0] + ">" + steps[1];
            record.Category = steps[2] + ">" + steps[3];
        }
    }

    std::string headline;
    if (cursor.Contains("<h1>"))
        headline = ExtractBetween(cursor, "<h1>", "</h1>");
    record.Headline = Trim(HtmlToText(headline));

    record.Emails = ExtractEmails(DecodeNumericEntities(cursor.Rest()));

    // The page template puts the publication date sometimes above, sometimes
    // below the reply form; every cut consumes, so read them in page order.
    const std::size_t replyForm = PositionOf(cursor, "<!--REPLY FORM-->");
    const std::size_t published = PositionOf(cursor, "Pubblicato");
    if (published > replyForm)
        ReadDescription(cursor, record);
    if (cursor.Contains("Pubblicato:"))
        ReadDate(cursor, record);
    if (replyForm > published)
        ReadDescription(cursor, record);

    // The "show number" button keeps the number in a page script.
    TextCursor whole(page);
    std::string scriptPhone = ExtractBetween(whole, "var phone_number = ", ";");
    scriptPhone = ExtractPhones(Trim(ReplaceAll(scriptPhone, "'", "")));
    PrependPhones(record.Phones, scriptPhone);
}

} // namespace tessaly
