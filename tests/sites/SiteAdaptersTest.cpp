// The four adapters' own steps, on small pages that show each site quirk.
#include "SiteFakes.h"
#include "Sites.h"

#include <gtest/gtest.h>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

using Links = std::vector<std::string>;

LeadRecord Details(void (*parse)(const std::string&, LeadRecord&), const std::string& page)
{
    LeadRecord r;
    parse(page, r);
    return r;
}

// ---- Craigslist ------------------------------------------------------------

const char* const kClHeader = "<TABLE summary=\"\" width=\"100%\"><TBODY><TR><TD>"
                              "<A href=\"http://x/head.html\">head</A></TD></TR></TBODY></TABLE>";

TEST(CraigslistListingTest, BannerDecidesWhereTheAdsBegin)
{
    const std::string body = "<BLOCKQUOTE><P><A href=\"http://x/before.html\">b</A></P>"
                             "<H4>Tue Dec 07</H4>\n<P><A href=\"http://x/after.html\">a</A></P></BLOCKQUOTE>";
    // Without the banner heading the ads start behind the first day heading.
    EXPECT_EQ(CraigslistListingLinks(kClHeader + body), (Links{"http://x/after.html"}));
    // With it, everything after the header table is read.
    EXPECT_EQ(CraigslistListingLinks(std::string(kClHeader) + "<H4 class=ban>x</H4>" + body),
              (Links{"http://x/before.html", "http://x/after.html"}));
    // Without a header table the whole page is read.
    EXPECT_EQ(CraigslistListingLinks("<H4 class=ban>x</H4>" + body),
              (Links{"http://x/before.html", "http://x/after.html"}));
}

TEST(CraigslistListingTest, PageLinksAndNonHtmlLinksAreNotFetched)
{
    Harness h;
    const std::string page = std::string(kClHeader) +
                             "<H4 class=ban>x</H4>"
                             "<P><A href=\"index100.html\">next 100 postings</A></P>"
                             "<P><A href=\"http://x/fuo/\">furniture</A></P>"
                             "<P><A href=\"http://x/fuo/1.html\">ad</A></P>"
                             "<P><A href=\"http://x/fuo/index.rss\">rss</A></P>";
    h.fetcher.pages["http://x/fuo/1.html"] = "<h2>Chair</h2>";
    ParseCraigslistListing(h.ctx, page);
    EXPECT_EQ(h.fetcher.requests, (Links{"http://x/fuo/1.html"}));
    EXPECT_EQ(h.pump.pumps, 1);
    EXPECT_EQ(CraigslistListingLinks(page), (Links{"http://x/fuo/1.html"}));
}

const std::string kClPage =
    "<html><body class=\"posting\">\n"
    "<div class=\"bchead\">\n<a href=\"/\">sf bay craigslist</a>\n"
    " &gt; <a href=\"/sfc/\">san francisco</a> &gt; <a href=\"/sss/\">for sale &amp; wanted</a>"
    " &gt; <a href=\"/fuo/\">furniture</a>\n</div>\n"
    "<p>before the date: early@example.com 415-555-0000</p>\n"
    "<h2>Oak <b>table</b> - $50 (north side)</h2>\n<hr>\n"
    "Date: 2010-12-07, 3:45PM EST<br>\n"
    "Reply to: <a href=\"mailto:sale-x@craigslist.org\">sale-x@craigslist.org</a><br>\n"
    "<div id=\"userbody\">\nSolid oak.<br>\nmail: me&#64;example.com, call 415-555-0142\n"
    "<table summary=\"craigslist hosted images\"><tr><td>img</td></tr></table>\n</div>\n"
    "<div class=\"clfooter\">support 415-555-0199</div>";

TEST(CraigslistDetailsTest, ReadsEveryFieldInPageOrder)
{
    const LeadRecord r = Details(&ParseCraigslistDetailsPage, kClPage);
    EXPECT_EQ(r.Location, "san francisco");
    EXPECT_EQ(r.Category, "for sale & wanted > furniture");
    EXPECT_EQ(r.Headline, "Oaktable");  // the blank before a tag goes, as HtmlToText does
    EXPECT_EQ(r.DatePosted, "2010-12-07, 3:45PM EST");
    // Contacts anywhere after the date line, also outside the description;
    // none from before it.
    EXPECT_EQ(r.Emails, "sale-x@craigslist.org,me@example.com");
    EXPECT_EQ(r.Phones, "415-555-0142,415-555-0199");
    EXPECT_EQ(r.Description, "Solid oak.mail: me&#64;example.com, call 415-555-0142");
}

TEST(CraigslistDetailsTest, DescriptionEndsAtFirstDivWithoutImages)
{
    const std::string page = "<hr>\nDate: 2010-12-07, 3:45PM EST<br>\n"
                             "<div id=\"userbody\">Text <i>here</i></div> tail </div>";
    EXPECT_EQ(Details(&ParseCraigslistDetailsPage, page).Description, "Texthere");
}

TEST(CraigslistDetailsTest, HeadlineIsCutAtBracketParenthesisAndHyphen)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Oak table - 50 (north side)", "Oak table"},
        {"X-ray", "X"},
        {"Leather sofa [must go] - $200", "Leather sofa"},
        {"Lamp (blue) - $5", "Lamp"},
        {"  Plain  ", "Plain"},
    };
    for (const auto& [h2, expected] : cases)
        EXPECT_EQ(Details(&ParseCraigslistDetailsPage, std::string("<h2>") + h2 + "</h2>").Headline, expected) << h2;
}

TEST(CraigslistDetailsTest, BreadcrumbWithoutSeparatorGivesEmptyValues)
{
    const std::string page = "<div class=\"bchead\"><a href=\"/\">cl</a> just text</div><h2>T</h2>";
    const LeadRecord r = Details(&ParseCraigslistDetailsPage, page);
    EXPECT_EQ(r.Location, "");
    EXPECT_EQ(r.Category, "");
    EXPECT_EQ(r.Headline, "T");
}

// ---- Backpage --------------------------------------------------------------

TEST(BackpageListingTest, TakesEachAdBlocksFirstLink)
{
    const std::string page = "<DIV class=mainBody><A href=\"http://x/top\">top</A>"
                             "<DIV class=cat><SPAN>x</SPAN><A href=\"http://x/1\">one</A> <A href=\"http://x/1b\">b</A></DIV>"
                             "<DIV class=cat><A href=\"http://x/2\">two</A></DIV></DIV>";
    EXPECT_EQ(BackpageListingLinks(page), (Links{"http://x/1", "http://x/2"}));
    EXPECT_TRUE(BackpageListingLinks("<DIV class=mainBody><DIV class=\"cat\"><A href=\"http://x/1\">").empty());
    // Without the main body marker the blocks are still found.
    EXPECT_EQ(BackpageListingLinks("<DIV class=cat><A href=\"http://x/1\">one</A></DIV>"), (Links{"http://x/1"}));
}

const std::string kBpPage =
    "<div id=\"header\">Customer support: 866-555-0100 help@example.com</div>\n"
    "<div id=\"cookieCrumb\"><a href=\"http://www.backpage.com/\">backpage.com</a> &gt; "
    "<a href=\"http://sf.backpage.com/\">SF</a> &gt; <a href=\"http://sf.backpage.com/FurnitureForSale/\">furniture</a></div>\n"
    "<h1>  <b>Leather</b> recliner &amp; ottoman  </h1>\n"
    "<div class=\"adInfo\">Posted: March 16, 2011 9:13 AM</div>\n"
    "<div class=\"postingBody\">Recliner. Call 415-555-0142. Mail r&#64;example.com</div>\n"
    "<div>Contact: 415-555-0188</div><div>Post ID: 3100001 elsewhere 510-555-0134</div>"
    "<a href=\"mailto:abuse@backpage.com\">abuse@backpage.com</a> other@example.org";

TEST(BackpageDetailsTest, ReadsEveryField)
{
    const LeadRecord r = Details(&ParseBackpageDetailsPage, kBpPage);
    EXPECT_EQ(r.Location, "sf");
    EXPECT_EQ(r.Category, "FurnitureForSale");
    EXPECT_EQ(r.Headline, "Leather recliner & ottoman");
    EXPECT_EQ(r.DatePosted, "March 16, 2011 9:13 AM");
    EXPECT_EQ(r.Description, "Recliner. Call 415-555-0142. Mail r&#64;example.com");
    // Addresses anywhere after the date; the abuse address never.
    EXPECT_EQ(r.Emails, "r@example.com,other@example.org");
    // Phones from the description and the contact line only.
    EXPECT_EQ(r.Phones, "415-555-0142,415-555-0188");
}

TEST(BackpageDetailsTest, ContactLinePhoneIsAddedOnce)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<div class=\"postingBody\">no number</div><div>Contact: 415-555-0188</div>", "415-555-0188"},
        {"<div class=\"postingBody\">call 415-555-0188</div><div>Contact: 415-555-0188</div>", "415-555-0188"},
        {"<div class=\"postingBody\">call 415-555-0142</div><div>Contact: email only</div>", "415-555-0142"},
    };
    for (const auto& [page, phones] : cases)
        EXPECT_EQ(Details(&ParseBackpageDetailsPage, page).Phones, phones) << page;
}

TEST(BackpageDetailsTest, BreadcrumbWalkKeepsTheLastLink)
{
    const std::pair<const char*, std::pair<const char*, const char*>> cases[] = {
        {"<div id=\"cookieCrumb\"><a href=\"http://denver.backpage.com/ComputerServices/\">x</a></div>",
         {"denver", "ComputerServices"}},
        {"<div id=\"cookieCrumb\">backpage.com &gt; Denver</div>", {"", ""}},
        {"<h1>no crumb</h1>", {"", ""}},
    };
    for (const auto& [page, expected] : cases) {
        const LeadRecord r = Details(&ParseBackpageDetailsPage, page);
        EXPECT_EQ(r.Location, expected.first) << page;
        EXPECT_EQ(r.Category, expected.second) << page;
    }
}

// ---- Kijiji ----------------------------------------------------------------

TEST(KijijiListingTest, TitleBlockMarkerIsCaseSensitive)
{
    const std::string block = "<DIV class=\"searchResultTitleList clearfix\"><A href=\"http://x/1\">a</A></DIV>";
    EXPECT_EQ(KijijiListingLinks("<DIV id=searchResultsList>" + block), (Links{"http://x/1"}));
    EXPECT_EQ(KijijiListingLinks(block), (Links{"http://x/1"}));  // no result list marker: whole page
    EXPECT_TRUE(KijijiListingLinks("<div class=\"searchResultTitleList\"><a href=\"http://x/1\">a</a></div>").empty());
}

std::string KijijiPage(const std::string& crumb, bool dateFirst, const std::string& description,
                       const std::string& script)
{
    const std::string date = "<ul><li><span>Pubblicato:</span>\n\t12 Marzo\n</li></ul>\n";
    const std::string reply = "<!--REPLY FORM-->\n<div class=\"t\">\n<div>\n" + description + "\n</div>\n</div>\n";
    return "<script>" + script + "</script>\n<p>top@example.com</p>\n"
           "<div class=\"breadcrumb_h1\">\n" + crumb + "\n<div class=\"h\"><h1>Tavolo <b>noce</b></h1></div>\n</div>\n" +
           (dateFirst ? date + reply : reply + date) + "<p>mail: t&#64;example.it</p>";
}

TEST(KijijiDetailsTest, DescriptionAndDateAreReadInPageOrder)
{
    const std::string crumb = "<a>Home</a> &gt; <a>Lazio</a> &gt; <a>Roma</a> &gt; <a>Lavoro</a> &gt; <a>Offerte</a>";
    for (bool dateFirst : {true, false}) {
        SCOPED_TRACE(dateFirst);
        const LeadRecord r = Details(&ParseKijijiDetailsPage, KijijiPage(crumb, dateFirst, "Vendo <b>tavolo</b>. 339-1234567", ""));
        EXPECT_EQ(r.Location, "Lazio > Roma ");
        EXPECT_EQ(r.Category, " Lavoro > Offerte");
        EXPECT_EQ(r.Headline, "Tavolonoce");
        EXPECT_EQ(r.DatePosted, "12 Marzo");
        EXPECT_EQ(r.Description, "Vendotavolo. 339-1234567");
        EXPECT_EQ(r.Phones, "339-1234567");
        EXPECT_EQ(r.Emails, "t@example.it");  // the address above the headline is not taken
    }
}

TEST(KijijiDetailsTest, BreadcrumbNeedsExactlyFourSteps)
{
    const char* const crumbs[] = {"<a>Home</a> &gt; <a>Lazio</a> &gt; <a>Roma</a> &gt; <a>Lavoro</a>",
                                  "<a>Home</a> &gt; <a>A</a> &gt; <a>B</a> &gt; <a>C</a> &gt; <a>D</a> &gt; <a>E</a>"};
    for (const char* crumb : crumbs) {
        const LeadRecord r = Details(&ParseKijijiDetailsPage, KijijiPage(crumb, true, "x", ""));
        EXPECT_EQ(r.Location, "") << crumb;
        EXPECT_EQ(r.Category, "") << crumb;
    }
}

TEST(KijijiDetailsTest, ScriptPhoneGoesInFront)
{
    const std::string script = "var phone_number = '555-0101';";
    const std::pair<std::string, const char*> cases[] = {
        {"", "555-0101"},
        {"chiamare 555-0202", "555-0101,555-0202"},
        {"chiamare 555-0101", "555-0101"},
    };
    for (const auto& [description, phones] : cases)
        EXPECT_EQ(Details(&ParseKijijiDetailsPage, KijijiPage("", true, description, script)).Phones, phones)
            << description;
}

TEST(KijijiDetailsTest, NeitherReplyFormNorDateLeavesBothEmpty)
{
    const LeadRecord r = Details(&ParseKijijiDetailsPage, "<h1>T</h1><div>555-0202 text</div>");
    EXPECT_EQ(r.Headline, "T");
    EXPECT_EQ(r.Description, "");
    EXPECT_EQ(r.DatePosted, "");
    EXPECT_EQ(r.Phones, "");
}

// ---- Bakeca ----------------------------------------------------------------

TEST(BakecaListingTest, HeadingMarkerIsCaseSensitive)
{
    EXPECT_EQ(BakecaListingLinks("<DIV class=annuncio-elenco><H3><A href=\"http://x/1.html\">a</A></H3>"
                                 "<H3><A class=t href=\"http://x/2.html\">b</A></H3></DIV>"),
              (Links{"http://x/1.html", "http://x/2.html"}));
    EXPECT_TRUE(BakecaListingLinks("<DIV class=annuncio-elenco><h3><a href=\"http://x/1.html\">a</a></h3>").empty());
    EXPECT_EQ(BakecaListingLinks("<H3><A href=\"http://x/1.html\">a</A></H3>"), (Links{"http://x/1.html"}));
}

std::string BakecaPage(const std::string& description, const std::string& afterDescription,
                       const std::string& table)
{
    return "<p>first <strong>ignored</strong></p>"
           "<div class=\"breadcrumbs\" id=\"b\"><a><strong>Milano</strong></a> &raquo; <a><strong>Auto</strong></a></div>\n"
           "<h1><span class=\"postpreviewtitle\"> Fiat <i>Panda</i> </span></h1>\n"
           "<p>Inserito il <strong>05/03/2011</strong></p>\n"
           "<div class=\"text\">" + description + afterDescription + table + "<p>mail p&#64;example.it</p>";
}

TEST(BakecaDetailsTest, ThreeStrongElementsInPageOrder)
{
    const LeadRecord r = Details(&ParseBakecaDetailsPage, BakecaPage("Bella <b>auto</b>", "</div> \n", ""));
    EXPECT_EQ(r.Location, "Milano");
    EXPECT_EQ(r.Category, "Auto");
    EXPECT_EQ(r.Headline, "FiatPanda");
    EXPECT_EQ(r.DatePosted, "05/03/2011");
    EXPECT_EQ(r.Description, "Bellaauto");
    EXPECT_EQ(r.Emails, "p@example.it");

    // Without the breadcrumb marker the first <strong> elements of the page are taken.
    const LeadRecord noCrumb = Details(&ParseBakecaDetailsPage,
                                       "<strong>a</strong><strong>b</strong><strong>c</strong><strong>d</strong>");
    EXPECT_EQ(noCrumb.Location, "a");
    EXPECT_EQ(noCrumb.Category, "b");
    EXPECT_EQ(noCrumb.DatePosted, "c");
}

TEST(BakecaDetailsTest, DescriptionNeedsClosingDivFollowedByBlank)
{
    EXPECT_EQ(Details(&ParseBakecaDetailsPage, BakecaPage("Testo", "</div>\n<p>x</p>", "")).Description, "");
    EXPECT_EQ(Details(&ParseBakecaDetailsPage, BakecaPage("Testo ", "</div> ", "")).Description, "Testo ");
}

TEST(BakecaDetailsTest, TelephoneCellGoesBehind)
{
    const std::string tel = "<table><tr><td><span>Tel.</span></td><td>555-0303</td></tr></table>";
    const std::pair<std::string, const char*> cases[] = {
        {"nessun numero", "555-0303"},
        {"chiamare 555-0202", "555-0202,555-0303"},
        {"chiamare 555-0303", "555-0303"},
    };
    for (const auto& [description, phones] : cases)
        EXPECT_EQ(Details(&ParseBakecaDetailsPage, BakecaPage(description, "</div> ", tel)).Phones, phones)
            << description;
    // Without the label the first cell of the page is read.
    EXPECT_EQ(Details(&ParseBakecaDetailsPage,
                      BakecaPage("x", "</div> ", "<table><tr><td>02-7778889</td><td>9</td></tr></table>")).Phones,
              "02-7778889");
}

// ---- all sites -------------------------------------------------------------

TEST(DetailsRobustnessTest, TruncatedAndMarkerlessPagesNeverFail)
{
    const std::string kijiji = KijijiPage("<a>Home</a> &gt; <a>A</a> &gt; <a>B</a> &gt; <a>C</a> &gt; <a>D</a>", false,
                                          "x 555-0202", "var phone_number = '555-0101';");
    const std::string bakeca = BakecaPage("x", "</div> ", "<table><tr><td><span>Tel.</span></td><td>555-0303</td></tr></table>");
    const std::string pages[4] = {kClPage, kBpPage, kijiji, bakeca};
    for (int site = 0; site < 4; ++site) {
        const std::string& full = pages[site];
        for (std::size_t cut = 0; cut <= full.size(); ++cut) {
            LeadRecord r;
            ASSERT_NO_THROW(ParseDetailsPage(site, full.substr(0, cut), r)) << site << " at " << cut;
            // Cutting at the very front leaves nothing to read.
            if (cut == 0)
                EXPECT_EQ(r.Fields(), LeadRecord{}.Fields());
        }
        for (std::size_t cut = 0; cut <= full.size(); cut += 7) {
            ASSERT_NO_THROW(ListingLinks(site, full.substr(cut)));
        }
    }
}

} // namespace
