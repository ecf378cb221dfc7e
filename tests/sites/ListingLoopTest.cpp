// The loop every listing parser runs: stop flag before each ad, details,
// intake, and message pumping only after an ad was added.
#include "SiteFakes.h"
#include "Sites.h"
#include "UUtils.h"

#include <gtest/gtest.h>

#include <QLocale>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

struct SiteFixture {
    const char* name;
    int site;
    std::string (*listing)(const std::vector<std::string>& links);
    std::string (*details)(const std::string& dateText);
    std::string (*dateText)(QDate date);
};

std::string CraigslistListing(const std::vector<std::string>& links)
{
    std::string page = "<BODY><TABLE summary=\"\" width=\"100%\"><TBODY><TR><TD>head</TD></TR></TBODY></TABLE>"
                       "<BLOCKQUOTE><H4 class=ban>furniture</H4>\n";
    for (const std::string& link : links)
        page += "<P><A href=\"" + link + "\">ad</A></P>\n";
    return page + "</BLOCKQUOTE><DIV id=footer></DIV></BODY>";
}
std::string BackpageListing(const std::vector<std::string>& links)
{
    std::string page = "<BODY><DIV class=mainBody>\n";
    for (const std::string& link : links)
        page += "<DIV class=cat><A href=\"" + link + "\">ad</A></DIV>\n";
    return page + "</DIV><DIV id=tlFooter></DIV></BODY>";
}
std::string KijijiListing(const std::vector<std::string>& links)
{
    std::string page = "<BODY><SPAN class=totalResults>3</SPAN><DIV id=searchResultsList>\n";
    for (const std::string& link : links)
        page += "<DIV class=\"searchResultTitleList clearfix\"><A href=\"" + link + "\">ad</A></DIV>\n";
    return page + "</DIV><DIV id=footer-flags></DIV></BODY>";
}
std::string BakecaListing(const std::vector<std::string>& links)
{
    std::string page = "<BODY><DIV class=annuncio-elenco>\n";
    for (const std::string& link : links)
        page += "<DIV class=annuncio><H3><A href=\"" + link + "\">ad</A></H3></DIV>\n";
    return page + "</DIV><DIV class=footer></DIV></BODY>";
}

std::string CraigslistDetails(const std::string& date)
{
    return "<h2>Oak table</h2>\n<hr>\nDate: " + date + "<br>\n<div id=\"userbody\">x</div>";
}
std::string BackpageDetails(const std::string& date)
{
    return "<h1>Oak table</h1>\n<div class=\"adInfo\">Posted: " + date + "</div>";
}
std::string KijijiDetails(const std::string& date)
{
    return "<h1>Tavolo</h1>\n<ul><li><span>Pubblicato:</span> " + date + "</li></ul>";
}
std::string BakecaDetails(const std::string& date)
{
    return "<div class=\"breadcrumbs\"><strong>Milano</strong><strong>Casa</strong></div>"
           "<span class=\"postpreviewtitle\">Divano</span><strong>" + date + "</strong>";
}

std::string IsoDate(QDate d) { return d.toString(QStringLiteral("yyyy-MM-dd")).toStdString() + ", 3:45PM EST"; }
std::string EnglishDate(QDate d) { return QLocale::c().toString(d, QStringLiteral("MMMM d, yyyy")).toStdString(); }
std::string KijijiDate(QDate d)
{
    const QDate today = QDate::currentDate();
    return d == today ? "oggi" : d == today.addDays(-1) ? "ieri" : "1 Gennaio";
}
std::string SlashDate(QDate d) { return d.toString(QStringLiteral("dd/MM/yyyy")).toStdString(); }

const SiteFixture kSites[] = {
    {"Craigslist", 0, &CraigslistListing, &CraigslistDetails, &IsoDate},
    {"Backpage", 1, &BackpageListing, &BackpageDetails, &EnglishDate},
    {"Kijiji", 2, &KijijiListing, &KijijiDetails, &KijijiDate},
    {"Bakeca", 3, &BakecaListing, &BakecaDetails, &SlashDate},
};

class ListingLoopTest : public ::testing::TestWithParam<SiteFixture> {
protected:
    Harness h;
    const QDate today = QDate::currentDate();

    // Ad pages named like Craigslist ads so that every site's walk takes them.
    std::string AddAd(const std::string& name, QDate posted)
    {
        const std::string url = "http://127.0.0.1:1/ads/" + name + ".html";
        h.fetcher.pages[url] = GetParam().details(GetParam().dateText(posted));
        return url;
    }
    void Walk(const std::vector<std::string>& links)
    {
        ParseListingPage(h.ctx, GetParam().site, GetParam().listing(links));
    }
};

TEST_P(ListingLoopTest, PumpsAfterAddedAdsOnly)
{
    const std::string a = AddAd("a", today), b = AddAd("b", today), c = AddAd("c", today);
    Walk({a, b, a, c});
    // The repeated link is fetched again; intake drops it without a pump.
    EXPECT_EQ(h.fetcher.requests, (std::vector<std::string>{a, b, a, c}));
    EXPECT_EQ(h.RowUrls(), (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(h.pump.pumps, 3);
    EXPECT_EQ(h.host.rows[0].Headline.empty(), false);
}

TEST_P(ListingLoopTest, StopDuringAFetchEndsTheWalkBeforeTheNextAd)
{
    const std::string a = AddAd("a", today), b = AddAd("b", today), c = AddAd("c", today);
    h.fetcher.duringFetch = [&](const std::string& url) {
        if (url == b)
            h.session.StopRequested = true;
    };
    Walk({a, b, c});
    EXPECT_EQ(h.fetcher.requests, (std::vector<std::string>{a, b}));
    EXPECT_EQ(h.RowUrls(), (std::vector<std::string>{a}));
    EXPECT_EQ(h.pump.pumps, 2);  // after a, and once for the stop
}

TEST_P(ListingLoopTest, StopAlreadySetFetchesNothing)
{
    const std::string a = AddAd("a", today);
    h.session.StopRequested = true;
    Walk({a});
    EXPECT_TRUE(h.fetcher.requests.empty());
    EXPECT_EQ(h.pump.pumps, 0);
}

TEST_P(ListingLoopTest, FirstOlderAdEndsThePageAtOnce)
{
    const std::string a = AddAd("a", today), old = AddAd("old", today.addDays(-1)), c = AddAd("c", today);
    Walk({a, old, c});
    EXPECT_EQ(h.fetcher.requests, (std::vector<std::string>{a, old}));
    EXPECT_EQ(h.RowUrls(), (std::vector<std::string>{a}));
    EXPECT_FALSE(h.session.Running);
    EXPECT_EQ(h.pump.pumps, 1);
}

TEST_P(ListingLoopTest, DeadLinkStillReachesIntakeWithItsUrlOnly)
{
    const std::string dead = "http://127.0.0.1:1/ads/gone.html";
    Walk({dead});
    ASSERT_EQ(h.host.rows.size(), 1u);  // undated (Craigslist) or dated today by the site's parser
    EXPECT_EQ(h.host.rows[0].DetailsUrl, dead);
    EXPECT_EQ(h.host.rows[0].Headline, "");
}

TEST_P(ListingLoopTest, AutomaticExportHandsOnEveryAd)
{
    h.settings.ExportAutomatic = true;
    const std::string a = AddAd("a", today), old = AddAd("old", today.addDays(-1));
    Walk({a, a, old, a});
    EXPECT_EQ(h.host.exportLines.size(), 4u);
    EXPECT_TRUE(h.host.rows.empty());
    EXPECT_TRUE(h.session.Running);
    EXPECT_EQ(h.pump.pumps, 4);
}

// A date the site's parser cannot read is an error for the caller: the walk
// ends there and what was added before it stays.
TEST(ListingLoopErrorTest, UnreadableDateEndsTheWalkWithAnError)
{
    Harness h;
    const std::string good = "http://x/good.html", bad = "http://x/bad.html", after = "http://x/after.html";
    h.fetcher.pages[good] = CraigslistDetails(IsoDate(QDate::currentDate()));
    h.fetcher.pages[bad] = CraigslistDetails("2010-12-07");  // no comma after the date
    h.fetcher.pages[after] = CraigslistDetails(IsoDate(QDate::currentDate()));
    EXPECT_THROW(ParseCraigslistListing(h.ctx, CraigslistListing({good, bad, after})), ConversionError);
    EXPECT_EQ(h.RowUrls(), (std::vector<std::string>{good}));
    EXPECT_EQ(h.fetcher.requests, (std::vector<std::string>{good, bad}));
    EXPECT_TRUE(h.session.Running);
}

INSTANTIATE_TEST_SUITE_P(AllSites, ListingLoopTest, ::testing::ValuesIn(kSites),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ListingDispatchTest, UnknownSiteDoesNothing)
{
    Harness h;
    for (int site : {-1, 4}) {
        ParseListingPage(h.ctx, site, CraigslistListing({"http://x/1.html"}));
        EXPECT_TRUE(ListingLinks(site, CraigslistListing({"http://x/1.html"})).empty());
    }
    EXPECT_TRUE(h.fetcher.requests.empty());
}

} // namespace
