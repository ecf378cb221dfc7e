// The embedded browser against a page served on loopback: the page text the
// harvest reads is the classic serialisation, and the listing markers match.
#include "BrowserView.h"
#include "HarvestController.h"
#include "LoopbackHttpServer.h"
#include "WaitFor.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace tessaly;
using tessaly::testing::WaitFor;

namespace {

const QByteArray kListing = R"(<!DOCTYPE html>
<html><head><title>sss</title></head><body>
<table summary="" width="100%"><tr><td>header</td></tr></table>
<h4>Tue Dec 07</h4>
<blockquote>
<p><a href="http://127.0.0.1/sss/1.html">Oak table</a> - <font size="-1"> (north side)</font></p>
</blockquote>
<p align="center"><font size="4"><a href="index100.html">next 100 postings</a></font></p>
<div id="footer">footer</div>
<script>var x = "<div class=\"q\">";</script>
</body></html>)";

TEST(EmbeddedBrowser, ReadsThePageInTheClassicSerialisation)
{
    LoopbackHttpServer server([](const HttpRequest&) { return HttpResponse::Text(200, kListing); });
    ASSERT_TRUE(server.Listen());

    BrowserView view;
    view.resize(800, 600);
    view.show();
    QString address;
    QObject::connect(&view, &BrowserView::NavigateComplete, [&](const QString& url) { address = url; });
    QSignalSpy finished(&view, &QWebEngineView::loadFinished);
    const std::string url = server.BaseUrl().toStdString() + "/sss/index.html";
    view.Navigate(url);
    ASSERT_TRUE(WaitFor([&] { return finished.count() > 0; }));
    EXPECT_EQ(address.toStdString(), url);

    const std::string page = view.ReadPageHtml();
    EXPECT_EQ(page.rfind("<BODY>", 0), 0u) << page.substr(0, 200);
    for (const char* marker : {"<BLOCKQUOTE>", "<DIV id=footer>", "<TABLE summary=\"\" width=\"100%\">",
                               "<A href=\"http://127.0.0.1/sss/1.html\">Oak table</A>", "</A></FONT>",
                               "var x = \"<div class=\\\"q\\\">\";"})
        EXPECT_NE(page.find(marker), std::string::npos) << marker << "\n" << page;
    EXPECT_TRUE(IsListingPageComplete(SiteCraigslist, page));
    EXPECT_FALSE(IsListingPageComplete(SiteBackpage, page));
}

TEST(EmbeddedBrowser, BlankAndWaitShowsTheBlankPage)
{
    BrowserView view;
    view.resize(400, 300);
    view.show();
    view.BlankAndWait();
    EXPECT_EQ(view.url(), QUrl("about:blank"));
    EXPECT_TRUE(view.ReadPageHtml().find("<BODY") == 0 || view.ReadPageHtml().empty());
}

TEST(EmbeddedBrowser, GaugeArithmetic)
{
    struct Case {
        int progress, maximum, gauge;
    };
    const Case cases[] = {{30, 40, 75}, {1, 3, 33}, {5, 1, 0}, {0, 100, 0}, {-1, 100, 0}, {10, 0, 0}, {100, 100, 100}};
    for (const Case& c : cases)
        EXPECT_EQ(BrowserView::GaugePercent(c.progress, c.maximum), c.gauge) << c.progress << "/" << c.maximum;
}

} // namespace
