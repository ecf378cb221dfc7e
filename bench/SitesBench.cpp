// Details pages of about 1 MB through each site's details parser, and a long
// listing page through each listing walk. A details parse must stay well
// under 50 ms at this size.
#include "Sites.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr std::size_t kPageSize = 1 << 20;

// Ad text of the kind the sites carry: markup, entities, an address written
// with a character reference, phone numbers in accepted and rejected forms.
std::string Filler(std::size_t size)
{
    static const std::string paragraph =
        "Solid <b>oak</b> table &amp; four chairs, 180x90, very good condition.<br>\n"
        "Call 415-555-0142 or (415) 555-0188 after 5pm; no texts to 555 0101.<br>\n"
        "Mail seller&#64;example.com &mdash; pick up only, year 2010 model.<br>\n";
    std::string text;
    text.reserve(size + paragraph.size());
    while (text.size() < size)
        text += paragraph;
    return text;
}

std::string CraigslistPage()
{
    return "<html><body>\n<div class=\"bchead\"><a href=\"/\">cl</a> &gt; <a href=\"/sfc/\">sf</a> &gt; "
           "<a href=\"/sss/\">for sale</a> &gt; <a href=\"/fuo/\">furniture</a></div>\n"
           "<h2>Oak table - $50 (north side)</h2>\n<hr>\nDate: 2010-12-07, 3:45PM EST<br>\n"
           "<div id=\"userbody\">\n" + Filler(kPageSize) +
           "<table summary=\"craigslist hosted images\"><tr><td>x</td></tr></table>\n</div>\n</body></html>";
}

std::string BackpagePage()
{
    return "<div id=\"cookieCrumb\"><a href=\"http://www.backpage.com/\">backpage.com</a> &gt; "
           "<a href=\"http://sf.backpage.com/FurnitureForSale/\">furniture</a></div>\n"
           "<h1>Oak table</h1>\n<div class=\"adInfo\">Posted: March 16, 2011 9:13 AM</div>\n"
           "<div class=\"postingBody\">" + Filler(kPageSize) + "</div>\n<div>Contact: 415-555-0199</div>";
}

std::string KijijiPage()
{
    return "<script>var phone_number = '02-45678901';</script>\n<div class=\"breadcrumb_h1\">"
           "<a>Home</a> &gt; <a>Lombardia</a> &gt; <a>Milano</a> &gt; <a>Casa</a> &gt; <a>Arredamento</a>\n"
           "<div class=\"h\"><h1>Tavolo</h1></div></div>\n<!--REPLY FORM-->\n<div class=\"t\">\n<div>\n" +
           Filler(kPageSize) + "\n</div>\n</div>\n<ul><li><span>Pubblicato:</span> 12 Marzo</li></ul>";
}

std::string BakecaPage()
{
    return "<div class=\"breadcrumbs\"><a><strong>Milano</strong></a> &raquo; <a><strong>Arredamento</strong></a></div>\n"
           "<h1><span class=\"postpreviewtitle\">Divano</span></h1>\n<p><strong>05/03/2011</strong></p>\n"
           "<div class=\"text\">" + Filler(kPageSize) + "</div> \n"
           "<table><tr><td><span>Tel.</span></td><td>02-3456789</td></tr></table>";
}

void BM_DetailsPage(benchmark::State& state, int site, std::string (*makePage)())
{
    const std::string page = makePage();
    for (auto _ : state) {
        tessaly::LeadRecord record;
        tessaly::ParseDetailsPage(site, page, record);
        benchmark::DoNotOptimize(record);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
}

BENCHMARK_CAPTURE(BM_DetailsPage, Craigslist1MB, 0, &CraigslistPage)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DetailsPage, Backpage1MB, 1, &BackpagePage)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DetailsPage, Kijiji1MB, 2, &KijijiPage)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DetailsPage, Bakeca1MB, 3, &BakecaPage)->Unit(benchmark::kMillisecond);

// A listing page with 5000 ads in the browser's serialisation.
std::string ListingPage(int site)
{
    const char* const head[4] = {"<TABLE summary=\"\" width=\"100%\"><TBODY><TR><TD>x</TD></TR></TBODY></TABLE>"
                                 "<BLOCKQUOTE><H4 class=ban>x</H4>",
                                 "<DIV class=mainBody>", "<DIV id=searchResultsList>", "<DIV class=annuncio-elenco>"};
    const char* const open[4] = {"<P><A href=\"", "<DIV class=cat><A href=\"",
                                 "<DIV class=\"searchResultTitleList clearfix\"><A href=\"", "<H3><A href=\""};
    std::string page = head[site];
    for (int i = 0; i < 5000; ++i)
        page += std::string(open[site]) + "http://127.0.0.1/ads/" + std::to_string(i) + ".html\">Ad title " +
                std::to_string(i) + "</A></DIV><P class=d>Milano - oggi</P>\n";
    return page;
}

void BM_ListingLinks(benchmark::State& state)
{
    const int site = int(state.range(0));
    const std::string page = ListingPage(site);
    for (auto _ : state)
        benchmark::DoNotOptimize(tessaly::ListingLinks(site, page));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
}
BENCHMARK(BM_ListingLinks)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace
