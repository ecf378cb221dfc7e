#include "HarvestController.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace tessaly;

namespace {

class FakeBrowser : public IBrowser {
public:
    std::string page;
    std::vector<std::string> navigations;
    int stops = 0;
    int blanks = 0;
    std::function<void()> onBlank;

    std::string ReadPageHtml() override { return page; }
    void Navigate(const std::string& url) override { navigations.push_back(url); }
    void StopLoading() override { ++stops; }
    void BlankAndWait() override
    {
        ++blanks;
        if (onBlank)
            onBlank();
    }
};

class FakeWindow : public IHarvestWindow {
public:
    int site = SiteCraigslist;
    std::string address;
    QString mainStatus = QStringLiteral("previous");
    QString exported;
    int gauge = 50;
    int gaugeMax = 100;
    int repaints = 0;

    void SetMainStatus(const QString& text) override { mainStatus = text; }
    void SetGaugeMaximum(int maximum) override { gaugeMax = maximum; }
    int GaugeMaximum() const override { return gaugeMax; }
    void SetGaugeValue(int value) override { gauge = value; }
    int SiteIndex() override { return site; }
    std::string AddressText() override { return address; }
    void SetExportedPanel(const QString& text) override { exported = text; }
    void RepaintResults() override { ++repaints; }
};

class CountingPump : public IPump {
public:
    int pumps = 0;
    void Pump() override { ++pumps; }
};

// A controller over fakes; the listing parser and the wait are scripted.
struct Rig {
    HarvestSession session;
    FakeBrowser browser;
    FakeWindow window;
    CountingPump pump;
    std::vector<std::string> parsedPages;
    std::vector<int> waits;
    std::vector<QString> errors;
    int disconnects = 0;
    std::function<void()> duringParse;
    std::function<void()> duringWait;
    HarvestController controller{session, browser, window, pump, MakeHooks()};

    HarvestController::Hooks MakeHooks()
    {
        HarvestController::Hooks hooks;
        hooks.parseListingPage = [this](int, const std::string& page) {
            parsedPages.push_back(page);
            if (duringParse)
                duringParse();
        };
        hooks.disconnectHttp = [this] { ++disconnects; };
        hooks.waitMs = [this](int ms) {
            waits.push_back(ms);
            if (duringWait)
                duringWait();
        };
        hooks.reportError = [this](const QString& message) { errors.push_back(message); };
        return hooks;
    }
};

const std::string kCraigslistPage =
    "<BLOCKQUOTE><A href=\"http://h/sss/1.html\">ad</A><FONT><A href=\"index100.html\">next</A></FONT>"
    "<DIV id=footer></DIV>";

TEST(ListingCompleteness, EachSiteNeedsBothOfItsMarkers)
{
    struct Case {
        int site;
        std::string page;
        bool complete;
    };
    const Case cases[] = {
        {SiteCraigslist, "<BLOCKQUOTE>x<DIV id=footer>", true},
        {SiteCraigslist, "<DIV id=footer> then <BLOCKQUOTE>", true},
        {SiteCraigslist, "<BLOCKQUOTE> only", false},
        {SiteCraigslist, "<blockquote><div id=footer>", false},
        {SiteBackpage, "<DIV class=mainBody><DIV id=tlFooter>", true},
        {SiteBackpage, "<DIV class=\"mainBody\"><DIV id=tlFooter>", false},
        {SiteKijiji, "<SPAN class=totalResults>3</SPAN><DIV id=footer-flags>", true},
        {SiteKijiji, "<SPAN class=totalResults>", false},
        {SiteBakeca, "<DIV class=annuncio-elenco><DIV class=footer>", true},
        {SiteBakeca, "<DIV class=annuncio-elenco id=x><DIV class=footer>", false},
        {4, "<BLOCKQUOTE><DIV id=footer>", false},
        {-1, "<BLOCKQUOTE><DIV id=footer>", false},
        {SiteCraigslist, "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsListingPageComplete(c.site, c.page), c.complete) << c.site << ": " << c.page;
}

TEST(NextPageSearch, TakesTheLastLinkBeforeTheMarkerAndTheSiteBase)
{
    struct Case {
        const char* what;
        int site;
        std::string page;
        std::string address;
        bool lastPage;
        std::string link;
        std::string base;
    };
    const Case cases[] = {
        {"craigslist bold marker wins over font marker", SiteCraigslist,
         "<A href=\"a.html\">1</A></FONT><A href=\"index200.html\">next <B>&gt;&gt;</B></A>", "http://h/sss/index100.html",
         false, "index200.html", "http://h/sss/"},
        {"craigslist font marker", SiteCraigslist, "<A href=\"x.html\">a</A><A href=\"index100.html\">b</A></FONT>",
         "http://h/sss/", false, "index100.html", "http://h/sss/"},
        {"craigslist without any marker is the last page", SiteCraigslist, "<A href=\"x.html\">a</A>", "http://h/", true,
         "", ""},
        {"backpage dot-slash link and base cut at ?", SiteBackpage,
         "<A href=\"./list?page=1\">1</A> <A href=\"./list?page=2&amp;s=1\">Next</A>", "http://bp/list?page=1&s=1", false,
         "/list?page=2&s=1", "http://bp/list"},
        {"kijiji marker", SiteKijiji, "<A href=\"p1\">1</A><A href=\"http://k/p2\">Successiva &gt;</A>", "http://k/p1?x",
         false, "http://k/p2", "http://k/p1"},
        {"bakeca has no base", SiteBakeca, "<A href=\"http://b/2\">Pagina successiva</A>", "http://b/1", false,
         "http://b/2", ""},
        {"links after the marker are not taken", SiteBakeca,
         "<A href=\"/2\">Pagina successiva</A> <A href=\"/3\">later</A>", "", false, "/2", ""},
        {"link start found case-insensitively but followed case-sensitively", SiteBakeca,
         "<A HREF=\"/1\">a</A> <A HREF=\"/2\">Pagina successiva</A>", "", false, "/1", ""},
    };
    for (const Case& c : cases) {
        const NextPageChoice next = FindNextPageLink(c.site, c.page, c.address);
        EXPECT_EQ(next.lastPage, c.lastPage) << c.what;
        if (!c.lastPage) {
            EXPECT_EQ(next.link, c.link) << c.what;
            EXPECT_EQ(next.base, c.base) << c.what;
        }
    }
}

TEST(NextPageNavigation, RelativeLinksGetTheBaseAndHttpInAnyCaseDoesNot)
{
    struct Case {
        std::string link;
        std::string expected;
    };
    const Case cases[] = {
        {"./search?p=2", "http://bp/search/search?p=2"},
        {"HTTP://other/p2", "HTTP://other/p2"},
        {"Http://other/p3", "Http://other/p3"},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.window.site = SiteBackpage;
        rig.window.address = "http://bp/search?p=1";
        rig.session.Running = true;
        ASSERT_TRUE(rig.controller.GoToNextPage("<A href=\"" + c.link + "\">Next</A>"));
        ASSERT_EQ(rig.browser.navigations.size(), 1u) << c.link;
        EXPECT_EQ(rig.browser.navigations[0], c.expected);
        EXPECT_EQ(rig.session.LastNextUrl, c.expected);
        EXPECT_EQ(rig.browser.blanks, 1);
        EXPECT_EQ(rig.waits, std::vector<int>{1000});
        EXPECT_EQ(rig.window.mainStatus, QString::fromStdString("Getting url: " + c.expected));
    }
}

TEST(NextPageNavigation, SameLinkAsLastTimeDoesNotNavigate)
{
    Rig rig;
    rig.window.site = SiteBakeca;
    rig.session.Running = true;
    rig.session.LastNextUrl = "http://b/2";  // carried over from an earlier run
    EXPECT_TRUE(rig.controller.GoToNextPage("<A href=\"http://b/2\">Pagina successiva</A>"));
    EXPECT_TRUE(rig.browser.navigations.empty());
    EXPECT_EQ(rig.browser.blanks, 0);
}

TEST(NextPageNavigation, NoRunMeansNoNextPage)
{
    Rig rig;
    rig.window.site = SiteBakeca;
    EXPECT_FALSE(rig.controller.GoToNextPage("<A href=\"http://b/2\">Pagina successiva</A>"));
    EXPECT_TRUE(rig.browser.navigations.empty());
}

TEST(HarvestRun, GetDataStartsPollingAndASecondPressChangesNothing)
{
    Rig rig;
    rig.session.StopRequested = true;
    rig.session.ExportedCount = 7;
    rig.controller.btnGetDataClick();
    EXPECT_TRUE(rig.session.Running);
    EXPECT_FALSE(rig.session.StopRequested);
    EXPECT_EQ(rig.session.ExportedCount, 0);
    EXPECT_EQ(rig.window.exported, "0 exported items");
    EXPECT_TRUE(rig.controller.ParseTimer().isActive());
    EXPECT_EQ(rig.controller.ParseTimer().interval(), 1000);
    EXPECT_FALSE(rig.session.RunStamp.empty());
    EXPECT_EQ(rig.session.RunStamp.find(':'), std::string::npos);
    EXPECT_EQ(rig.session.RunStamp.find('/'), std::string::npos);

    rig.window.exported.clear();
    rig.controller.btnGetDataClick();
    EXPECT_TRUE(rig.window.exported.isEmpty());
}

TEST(HarvestRun, IncompletePageKeepsPollingAndClearsTheStatus)
{
    Rig rig;
    rig.controller.btnGetDataClick();
    rig.browser.page = "<html>not a listing</html>";
    rig.controller.tmrParseTimer();
    EXPECT_TRUE(rig.window.mainStatus.isEmpty());
    EXPECT_TRUE(rig.controller.ParseTimer().isActive());
    EXPECT_TRUE(rig.parsedPages.empty());
}

TEST(HarvestRun, LastPageEndsTheRunWithTheCompletionMessage)
{
    Rig rig;
    rig.controller.btnGetDataClick();
    rig.browser.page = "<BLOCKQUOTE><A href=\"http://h/1.html\">x</A><DIV id=footer>";
    rig.controller.tmrParseTimer();
    EXPECT_EQ(rig.parsedPages.size(), 1u);
    EXPECT_FALSE(rig.session.Running);
    EXPECT_FALSE(rig.controller.ParseTimer().isActive());
    EXPECT_EQ(rig.window.mainStatus, kRunCompletedText);
    EXPECT_EQ(rig.window.gauge, 0);
    EXPECT_EQ(rig.window.repaints, 1);
}

TEST(HarvestRun, NextPageReArmsTheTimer)
{
    Rig rig;
    rig.window.address = "http://h/sss/";
    rig.controller.btnGetDataClick();
    rig.browser.page = kCraigslistPage;
    rig.controller.tmrParseTimer();
    EXPECT_TRUE(rig.session.Running);
    EXPECT_TRUE(rig.controller.ParseTimer().isActive());
    EXPECT_EQ(rig.browser.navigations, std::vector<std::string>{"http://h/sss/index100.html"});
}

TEST(HarvestRun, IntakeEndingTheRunSkipsTheNextPage)
{
    Rig rig;
    rig.controller.btnGetDataClick();
    rig.browser.page = kCraigslistPage;
    rig.duringParse = [&] { rig.session.Running = false; };  // an ad older than the interval
    rig.controller.tmrParseTimer();
    EXPECT_TRUE(rig.browser.navigations.empty());
    EXPECT_EQ(rig.window.mainStatus, kRunCompletedText);
    EXPECT_FALSE(rig.controller.ParseTimer().isActive());
}

TEST(HarvestRun, StopDuringTheParseEndsTheTickWithoutAMessage)
{
    Rig rig;
    rig.controller.btnGetDataClick();
    rig.browser.page = kCraigslistPage;
    rig.duringParse = [&] { rig.controller.btnStopClick(); };
    rig.controller.tmrParseTimer();
    EXPECT_TRUE(rig.session.StopRequested);
    EXPECT_FALSE(rig.session.Running);
    EXPECT_FALSE(rig.controller.ParseTimer().isActive());
    EXPECT_TRUE(rig.browser.navigations.empty());
    EXPECT_TRUE(rig.window.mainStatus.isEmpty());
    EXPECT_EQ(rig.browser.stops, 2);
    EXPECT_EQ(rig.disconnects, 1);
    EXPECT_EQ(rig.window.gauge, 0);
}

TEST(HarvestRun, StopDuringTheNextPageWaitStillNavigatesThenStopsPolling)
{
    Rig rig;
    rig.window.address = "http://h/sss/";
    rig.controller.btnGetDataClick();
    rig.browser.page = kCraigslistPage;
    rig.duringWait = [&] { rig.controller.btnStopClick(); };
    rig.controller.tmrParseTimer();
    EXPECT_EQ(rig.browser.navigations.size(), 1u);
    EXPECT_TRUE(rig.controller.ParseTimer().isActive());

    // The next page arrives: it is complete but the run is over.
    rig.duringWait = nullptr;
    rig.controller.tmrParseTimer();
    EXPECT_FALSE(rig.controller.ParseTimer().isActive());
    EXPECT_EQ(rig.parsedPages.size(), 1u);
}

TEST(HarvestRun, StopDuringBlankPageStillNavigates)
{
    Rig rig;
    rig.window.address = "http://h/sss/";
    rig.controller.btnGetDataClick();
    rig.browser.page = kCraigslistPage;
    rig.browser.onBlank = [&] { rig.controller.btnStopClick(); };
    rig.controller.tmrParseTimer();
    EXPECT_EQ(rig.browser.navigations.size(), 1u);
    EXPECT_FALSE(rig.session.Running);
}

TEST(HarvestRun, AnErrorInTheParserHaltsTheRunUntilStop)
{
    Rig rig;
    rig.controller.btnGetDataClick();
    rig.browser.page = kCraigslistPage;
    rig.duringParse = [] { throw std::runtime_error("'31 Aprile' is not a valid date"); };
    rig.controller.tmrParseTimer();
    ASSERT_EQ(rig.errors.size(), 1u);
    EXPECT_EQ(rig.errors[0], "'31 Aprile' is not a valid date");
    EXPECT_TRUE(rig.session.Running);
    EXPECT_FALSE(rig.controller.ParseTimer().isActive());

    rig.session.RunStamp.clear();
    rig.controller.btnGetDataClick();  // ignored while halted
    EXPECT_TRUE(rig.session.RunStamp.empty());
    rig.controller.btnStopClick();
    EXPECT_FALSE(rig.session.Running);
    rig.controller.btnGetDataClick();
    EXPECT_TRUE(rig.session.Running);
}

TEST(HarvestRun, ATickFiredInsideAnUnwindingTickWaitsForIt)
{
    Rig rig;
    rig.controller.btnGetDataClick();
    rig.browser.page = kCraigslistPage;
    int nested = 0;
    rig.duringParse = [&] {
        if (nested++ == 0) {
            rig.controller.btnStopClick();
            rig.controller.btnGetDataClick();
            rig.controller.tmrParseTimer();  // the new run's timer fires inside the old tick
        }
    };
    rig.controller.tmrParseTimer();
    EXPECT_EQ(rig.parsedPages.size(), 1u);
}

TEST(RunStamp, ReplacesColonsAndSlashes)
{
    const std::string stamp = MakeRunStamp(QDateTime(QDate(2011, 3, 5), QTime(20, 32, 7)));
    EXPECT_EQ(stamp.find(':'), std::string::npos);
    EXPECT_EQ(stamp.find('/'), std::string::npos);
    EXPECT_NE(stamp.find("32-07"), std::string::npos) << stamp;
    EXPECT_NE(stamp.find(' '), std::string::npos);
}

} // namespace
