// Text toolkit: page walks with ExtractBetween, markup to text, entity
// decoding and contact extraction on generated details pages (100 KB, 1 MB),
// a 10 MB listing page walked marker by marker, and hostile inputs for the
// contact matchers.
#include "UUtils.h"

#include <benchmark/benchmark.h>

#include <QRegularExpression>
#include <QString>

#include <random>
#include <string>

using namespace tessaly;

namespace {

// A details page as the sites served them: header and navigation, then ad
// blocks in paragraphs with links, entities, e-mails (some written with
// '&#64;') and phone numbers, then a footer; blocks repeat up to `bytes`.
// A page's contacts come from a small pool (an ad repeats its phone and
// address) unless `allDistinct`, where nearly every contact is new and the
// de-duplication works against a long result.
std::string MakeDetailsPage(std::size_t bytes, bool allDistinct)
{
    std::mt19937 rng(42);
    static const char* const words[] = {"car",   "excellent", "condition", "price",  "negotiable", "call",
                                        "after", "5pm",       "only",      "serious", "buyers",    "the",
                                        "and",   "with",      "new",       "tires",   "miles",     "owner"};
    auto sentence = [&] {
        std::string s;
        const int n = 6 + static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) {
            s += words[rng() % std::size(words)];
            s += (i + 1 < n) ? " " : ". ";
        }
        return s;
    };
    std::string page = "<html>\n<head><title>Details &amp; more</title>\n"
                       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"></head>\n"
                       "<body class=\"posting\">\n<div id=\"header\"><a href=\"/\">home</a> &gt; "
                       "<a href=\"/cars/\">cars &amp; trucks</a></div>\n";
    int block = 0;
    while (page.size() < bytes) {
        ++block;
        page += "<h2 class=\"postingtitle\">Nice car &quot;" + std::to_string(block) + "&quot; - $" +
                std::to_string(500 + rng() % 9000) + " (Boston)</h2>\n";
        page += "<div class=\"postingdate\">Date: 2011-03-05,  8:32PM EST</div>\n<div id=\"userbody\">\n";
        for (int p = 0; p < 6; ++p) {
            page += "  <p>" + sentence() + sentence();
            const unsigned pick = allDistinct ? static_cast<unsigned>(rng()) : static_cast<unsigned>(rng() % 8);
            switch (rng() % 6) {
            case 0: page += "Mail me at seller" + std::to_string(pick % 100000) + "@example.com "; break;
            case 1: page += "write to owner" + std::to_string(pick % 100000) + "&#64;mail.example.org "; break;
            case 2: page += "Tel (555) " + std::to_string(100 + pick % 900) + "-" + std::to_string(1000 + pick % 9000) + " "; break;
            case 3: page += "cell +1 555-" + std::to_string(100 + pick % 900) + "-" + std::to_string(1000 + pick % 9000) + " "; break;
            case 4: page += "<a href=\"http://www.example.com/img/" + std::to_string(rng()) + ".jpg\">photo</a> "; break;
            default: page += "it&#39;s &quot;like new&quot; &amp; clean&#33; "; break;
            }
            page += "</p>\n";
        }
        page += "</div>\n<ul class=\"blurbs\">\n<li> Location: Boston</li>\n"
                "<li>it's NOT ok to contact this poster with services or other commercial interests</li></ul>\n";
    }
    page += "<div id=\"footer\">&copy; 2011 example &#169;</div>\n</body>\n</html>\n";
    return page;
}

// A listing page of `rows` ads in the old serialisation the parsers read.
std::string MakeListingPage(std::size_t bytes)
{
    std::string page = "<BODY><DIV class=mainBody><TABLE summary=\"\" width=\"100%\">\n";
    for (int row = 0; page.size() < bytes; ++row) {
        page += "<P class=row><SPAN class=date>Mar 5</SPAN> <A href=\"http://boston.example.org/cto/" +
                std::to_string(2200000000LL + row) + ".html\">Nice car " + std::to_string(row) +
                " - $4500</A> <FONT size=-1> (Boston)</FONT> <SPAN class=p> pic</SPAN><BR class=c></P>\n";
    }
    page += "</TABLE></DIV></BODY>";
    return page;
}

const std::string& DetailsPage(std::size_t bytes, bool allDistinct = false)
{
    static const std::string small = MakeDetailsPage(100 * 1024, false);
    static const std::string large = MakeDetailsPage(1024 * 1024, false);
    static const std::string smallDense = MakeDetailsPage(100 * 1024, true);
    static const std::string largeDense = MakeDetailsPage(1024 * 1024, true);
    if (allDistinct)
        return bytes <= 100 * 1024 ? smallDense : largeDense;
    return bytes <= 100 * 1024 ? small : large;
}

void SetBytes(benchmark::State& state, std::size_t bytes)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

// ---- details page ------------------------------------------------------------------

void BM_ExtractBetween_DetailsWalk(benchmark::State& state)
{
    const std::string& page = DetailsPage(static_cast<std::size_t>(state.range(0)));
    std::size_t fields = 0;
    for (auto _ : state) {
        TextCursor cursor(page);
        while (true) {
            const std::string title = ExtractBetween(cursor, "<h2 class=\"postingtitle\">", "</h2>");
            if (title.empty())
                break;
            benchmark::DoNotOptimize(ExtractBetween(cursor, "Date: ", "</DIV>"));
            benchmark::DoNotOptimize(ExtractBetween(cursor, "<div id=\"userbody\">", "<UL class=\"blurbs\">"));
            benchmark::DoNotOptimize(ExtractBetween(cursor, "location: ", "</li>"));
            ++fields;
        }
    }
    benchmark::DoNotOptimize(fields);
    SetBytes(state, page.size());
}
BENCHMARK(BM_ExtractBetween_DetailsWalk)->Arg(100 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMicrosecond);

#define TOOLKIT_PAGE_BENCH(Name, Call)                                                                     \
    void BM_##Name(benchmark::State& state)                                                                \
    {                                                                                                      \
        const std::string& page = DetailsPage(static_cast<std::size_t>(state.range(0)));                   \
        for (auto _ : state)                                                                               \
            benchmark::DoNotOptimize(Call(page));                                                          \
        SetBytes(state, page.size());                                                                      \
    }                                                                                                      \
    BENCHMARK(BM_##Name)->Arg(100 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMicrosecond)

TOOLKIT_PAGE_BENCH(HtmlToText, HtmlToText);
TOOLKIT_PAGE_BENCH(StripTags, StripTags);
TOOLKIT_PAGE_BENCH(DecodeNumericEntities, DecodeNumericEntities);
TOOLKIT_PAGE_BENCH(ExtractEmails, ExtractEmails);
TOOLKIT_PAGE_BENCH(ExtractPhones, ExtractPhones);

// What a details parser does with the ad body: decode, then find contacts.
void BM_ContactsOfDecodedPage(benchmark::State& state)
{
    const std::string& page = DetailsPage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const std::string text = DecodeNumericEntities(page);
        benchmark::DoNotOptimize(ExtractEmails(text));
        benchmark::DoNotOptimize(ExtractPhones(text));
    }
    SetBytes(state, page.size());
}
BENCHMARK(BM_ContactsOfDecodedPage)->Arg(100 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMicrosecond);

// The same with (nearly) every contact distinct: thousands of results.
void BM_ContactsOfDecodedPage_AllDistinct(benchmark::State& state)
{
    const std::string& page = DetailsPage(static_cast<std::size_t>(state.range(0)), true);
    std::size_t found = 0;
    for (auto _ : state) {
        const std::string text = DecodeNumericEntities(page);
        const std::string emails = ExtractEmails(text);
        const std::string phones = ExtractPhones(text);
        found = emails.size() + phones.size();
    }
    state.counters["result_bytes"] = static_cast<double>(found);
    SetBytes(state, page.size());
}
BENCHMARK(BM_ContactsOfDecodedPage_AllDistinct)->Arg(100 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMicrosecond);

// ---- 10 MB listing page ------------------------------------------------------------

void BM_ExtractBetween_Listing10MB(benchmark::State& state)
{
    static const std::string page = MakeListingPage(10 * 1024 * 1024);
    std::size_t ads = 0;
    for (auto _ : state) {
        ads = 0;
        TextCursor cursor(page);
        ExtractBetween(cursor, "<div class=mainbody>", "<TABLE");
        while (true) {
            const std::string date = ExtractBetween(cursor, "<p class=row>", "<a href=\"");
            if (date.empty())
                break;
            benchmark::DoNotOptimize(ExtractBetween(cursor, "<a href=\"", "\">"));
            benchmark::DoNotOptimize(ExtractBetween(cursor, "\">", "</a>"));
            benchmark::DoNotOptimize(ExtractBetween(cursor, "<font size=-1>", "</FONT>"));
            ++ads;
        }
    }
    state.counters["ads"] = static_cast<double>(ads);
    SetBytes(state, page.size());
}
BENCHMARK(BM_ExtractBetween_Listing10MB)->Unit(benchmark::kMillisecond);

// ---- hostile input for the contact matchers ---------------------------------------

const std::size_t kMegabyte = 1024 * 1024;

void BM_Hostile_EmailsLocalRunThenAt(benchmark::State& state)
{
    const std::string text = std::string(kMegabyte, 'a') + "@";
    for (auto _ : state)
        benchmark::DoNotOptimize(ExtractEmails(text));
    SetBytes(state, text.size());
}
BENCHMARK(BM_Hostile_EmailsLocalRunThenAt)->Unit(benchmark::kMillisecond);

void BM_Hostile_EmailsLetterDotPairs(benchmark::State& state)
{
    std::string text;
    while (text.size() < kMegabyte)
        text += "a.";
    text += "@x";
    for (auto _ : state)
        benchmark::DoNotOptimize(ExtractEmails(text));
    SetBytes(state, text.size());
}
BENCHMARK(BM_Hostile_EmailsLetterDotPairs)->Unit(benchmark::kMillisecond);

void BM_Hostile_PhonesDigitRun(benchmark::State& state)
{
    const std::string text(kMegabyte, '5');
    for (auto _ : state)
        benchmark::DoNotOptimize(ExtractPhones(text));
    SetBytes(state, text.size());
}
BENCHMARK(BM_Hostile_PhonesDigitRun)->Unit(benchmark::kMillisecond);

void BM_Hostile_PhonesHyphenRun(benchmark::State& state)
{
    std::string text = "(";
    while (text.size() < kMegabyte)
        text += "1-";
    for (auto _ : state)
        benchmark::DoNotOptimize(ExtractPhones(text));
    SetBytes(state, text.size());
}
BENCHMARK(BM_Hostile_PhonesHyphenRun)->Unit(benchmark::kMillisecond);

// 1 MB of distinct numbers: every match is checked against a growing result.
void BM_Hostile_PhonesManyDistinct(benchmark::State& state)
{
    std::string text;
    for (int i = 0; text.size() < kMegabyte; ++i)
        text += std::to_string(3000000 + i) + " ";
    for (auto _ : state)
        benchmark::DoNotOptimize(ExtractPhones(text));
    SetBytes(state, text.size());
}
BENCHMARK(BM_Hostile_PhonesManyDistinct)->Unit(benchmark::kMillisecond);

void BM_Hostile_EmailsManyDistinct(benchmark::State& state)
{
    std::string text;
    for (int i = 0; text.size() < kMegabyte; ++i)
        text += "user" + std::to_string(i) + "@mail.example.com ";
    for (auto _ : state)
        benchmark::DoNotOptimize(ExtractEmails(text));
    SetBytes(state, text.size());
}
BENCHMARK(BM_Hostile_EmailsManyDistinct)->Unit(benchmark::kMillisecond);

// For comparison: the regex engine itself on a run of local-part bytes
// (with the '.' it requires) and one '@' at the end: it scans the run again
// from every start position, which is quadratic.
std::string LocalRunThenAt(std::size_t bytes)
{
    std::string text;
    while (text.size() < bytes)
        text += "a.";
    return text + "@";
}

void BM_Reference_RegexEmailsLocalRunThenAt(benchmark::State& state)
{
    const QRegularExpression re(QStringLiteral(R"([_a-zA-Z\d\-\.]+@[_a-zA-Z\d\-]+(\.[_a-zA-Z\d\-]+)+)"));
    const QString text = QString::fromStdString(LocalRunThenAt(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(re.match(text).hasMatch());
    SetBytes(state, static_cast<std::size_t>(text.size()));
}
BENCHMARK(BM_Reference_RegexEmailsLocalRunThenAt)->Arg(16 * 1024)->Arg(64 * 1024)->Unit(benchmark::kMillisecond);

void BM_Toolkit_EmailsLocalRunThenAt(benchmark::State& state)
{
    const std::string text = LocalRunThenAt(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ExtractEmails(text));
    SetBytes(state, text.size());
}
BENCHMARK(BM_Toolkit_EmailsLocalRunThenAt)->Arg(16 * 1024)->Arg(64 * 1024)->Unit(benchmark::kMicrosecond);

} // namespace
