#include "HarvestController.h"

#include "UUtils.h"

#include <QLocale>

#include <exception>

namespace tessaly {

namespace {

struct CompletenessMarkers {
    const char* first;
    const char* second;
};

// A listing page counts as loaded when both of its site's markers are there.
constexpr CompletenessMarkers kCompleteness[] = {
    {"<BLOCKQUOTE>", "<DIV id=footer>"},
    {"<DIV class=mainBody>", "<DIV id=tlFooter>"},
    {"<SPAN class=totalResults>", "<DIV id=footer-flags>"},
    {"<DIV class=annuncio-elenco>", "<DIV class=footer>"},
};

} // namespace

bool IsListingPageComplete(int siteIndex, const std::string& pageText)
{
    if (siteIndex < 0 || siteIndex >= int(std::size(kCompleteness)))
        return false;
    const CompletenessMarkers& m = kCompleteness[siteIndex];
    return pageText.find(m.first) != std::string::npos && pageText.find(m.second) != std::string::npos;
}

NextPageChoice FindNextPageLink(int siteIndex, const std::string& pageText, const std::string& addressBar)
{
    NextPageChoice choice;
    std::string base = addressBar;
    std::string linkStart = "href=\"";
    std::string marker;
    switch (siteIndex) {
    case SiteCraigslist:
        CutAtFirst(base, "index");
        linkStart = "<A href=\"";
        // Pages with ">>" in bold carry the next link before it; older ones
        // close the link list with a font tag.
        marker = pageText.find("&gt;&gt;</B>") != std::string::npos ? "&gt;&gt;</B>" : "</A></FONT>";
        break;
    case SiteBackpage:
        CutAtFirst(base, "?");
        marker = "Next</A>";
        break;
    case SiteKijiji:
        CutAtFirst(base, "?");
        marker = "Successiva &gt;</A>";
        break;
    case SiteBakeca:
        base.clear();
        marker = "Pagina successiva</A>";
        break;
    default:
        return choice;
    }
    choice.base = base;

    TextCursor cursor(pageText);
    if (!cursor.Contains(marker))
        return choice;
    choice.lastPage = false;

    // The next-page link is the last link that starts before the marker.
    while (true) {
        std::string link = ExtractBetween(cursor, linkStart, "\"");
        link = ReplaceAll(link, "&amp;", "&");
        link = ReplaceAll(link, "./", "/");
        choice.link = std::move(link);
        const std::size_t linkPos = cursor.Find(linkStart);
        const std::size_t markerPos = cursor.Find(marker);
        if (linkPos == std::string_view::npos || markerPos == std::string_view::npos || markerPos < linkPos)
            break;
    }
    return choice;
}

std::string MakeRunStamp(const QDateTime& now)
{
    const QLocale locale = QLocale::system();
    QString stamp = locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                    locale.toString(now.time(), QLocale::LongFormat);
    stamp.replace(QLatin1Char(':'), QLatin1Char('-'));
    stamp.replace(QLatin1Char('/'), QLatin1Char('-'));
    return stamp.toStdString();
}

HarvestController::HarvestController(HarvestSession& session, IBrowser& browser, IHarvestWindow& window,
                                     IPump& pump, Hooks hooks, QObject* parent)
    : QObject(parent), session_(session), browser_(browser), window_(window), pump_(pump), hooks_(std::move(hooks))
{
    tmrParse_.setInterval(1000);
    tmrParse_.setSingleShot(false);
    connect(&tmrParse_, &QTimer::timeout, this, &HarvestController::tmrParseTimer);
}

void HarvestController::btnGetDataClick()
{
    if (session_.Running)
        return;
    session_.ExportedCount = 0;
    window_.SetExportedPanel(QStringLiteral("0 exported items"));
    pump_.Pump();
    session_.StopRequested = false;
    session_.Running = true;
    tmrParse_.start();
    session_.RunStamp = MakeRunStamp(QDateTime::currentDateTime());
}

void HarvestController::btnStopClick()
{
    tmrParse_.stop();
    session_.StopRequested = true;
    session_.Running = false;
    // The engine may still be starting a navigation the first time round.
    browser_.StopLoading();
    browser_.StopLoading();
    if (hooks_.disconnectHttp)
        hooks_.disconnectHttp();
    window_.SetGaugeValue(0);
    pump_.Pump();
}

void HarvestController::tmrParseTimer()
{
    // A Get Data pressed while a stopped tick is still unwinding in one of
    // its pumps starts the timer early; that run's first tick waits for the
    // old one to return.
    if (inTick_)
        return;
    inTick_ = true;
    try {
        Tick();
    } catch (const std::exception& e) {
        // The run halts here: the timer stays off and Running stays set
        // until the user presses Stop.
        tmrParse_.stop();
        inTick_ = false;
        if (hooks_.reportError)
            hooks_.reportError(QString::fromStdString(e.what()));
        return;
    } catch (...) {
        tmrParse_.stop();
        inTick_ = false;
        if (hooks_.reportError)
            hooks_.reportError(QStringLiteral("Unknown error"));
        return;
    }
    inTick_ = false;
}

void HarvestController::Tick()
{
    tmrParse_.stop();
    window_.SetMainStatus(QString());
    const std::string page = browser_.ReadPageHtml();
    if (!IsPageComplete(page)) {
        tmrParse_.start();
        return;
    }
    if (!session_.Running)
        return;
    window_.RepaintResults();
    if (hooks_.parseListingPage)
        hooks_.parseListingPage(window_.SiteIndex(), page);
    if (session_.StopRequested)
        return;
    if (GoToNextPage(page)) {
        tmrParse_.start();
        return;
    }
    session_.Running = false;
    pump_.Pump();
    window_.SetMainStatus(QString::fromUtf8(kRunCompletedText));
    window_.SetGaugeValue(0);
}

bool HarvestController::IsPageComplete(const std::string& pageText)
{
    return IsListingPageComplete(window_.SiteIndex(), pageText);
}

bool HarvestController::GoToNextPage(const std::string& pageText)
{
    if (!session_.Running)
        return false;
    const NextPageChoice next = FindNextPageLink(window_.SiteIndex(), pageText, window_.AddressText());
    if (next.lastPage)
        return false;
    if (next.link.empty() || next.link == session_.LastNextUrl)
        return true;
    session_.LastNextUrl = next.link;
    if (AsciiLower(session_.LastNextUrl).find("http:") == std::string::npos)
        session_.LastNextUrl = next.base + session_.LastNextUrl;
    browser_.BlankAndWait();
    if (hooks_.waitMs)
        hooks_.waitMs(1000);
    browser_.Navigate(session_.LastNextUrl);
    window_.SetMainStatus(QStringLiteral("Getting url: ") + QString::fromStdString(session_.LastNextUrl));
    return true;
}

} // namespace tessaly
