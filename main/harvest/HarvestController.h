#pragma once
// One harvesting run: Get Data, Stop, and the once-a-second tick that reads
// the browser's page, hands complete listing pages to the site's parser and
// moves on to the next listing page.

#include "HarvestSession.h"
#include "WindowHost.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <string>

namespace tessaly {

// The embedded browser as the harvest sees it.
class IBrowser {
public:
    virtual ~IBrowser() = default;
    // The current document's body markup in the classic serialisation;
    // empty when there is none.
    virtual std::string ReadPageHtml() = 0;
    virtual void Navigate(const std::string& url) = 0;
    virtual void StopLoading() = 0;
    // Shows about:blank and waits (pumping events) until it is complete.
    virtual void BlankAndWait() = 0;
};

// What the controller reads and writes on the window besides the browser.
class IHarvestWindow : public IStatusBar {
public:
    // The item index of the site list, read afresh each time.
    virtual int SiteIndex() = 0;
    // The text of the address field.
    virtual std::string AddressText() = 0;
    virtual void SetExportedPanel(const QString& text) = 0;
    // Repaints the results list before a page is parsed.
    virtual void RepaintResults() = 0;
};

// Page tests and the next-page search, free of any window.
bool IsListingPageComplete(int siteIndex, const std::string& pageText);

struct NextPageChoice {
    bool lastPage = true;    // no next-page marker on the page
    std::string link;        // the raw link (after &amp; and ./ fixes)
    std::string base;        // what goes in front of a relative link
};
NextPageChoice FindNextPageLink(int siteIndex, const std::string& pageText, const std::string& addressBar);

// "<short date> <long time>" with ':' and '/' replaced by '-'.
std::string MakeRunStamp(const QDateTime& now);

class HarvestController : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // Hands a complete page to the selected site's listing parser.
        std::function<void(int siteIndex, const std::string& pageText)> parseListingPage;
        // Aborts the HTTP client's transfer in progress.
        std::function<void()> disconnectHttp;
        // Waits while pumping events.
        std::function<void(int ms)> waitMs;
        // The application's error report for an error that escapes a tick.
        std::function<void(const QString& message)> reportError;
    };

    HarvestController(HarvestSession& session, IBrowser& browser, IHarvestWindow& window, IPump& pump,
                      Hooks hooks, QObject* parent = nullptr);

    void btnGetDataClick();
    void btnStopClick();
    // The tick; errors escaping it go to hooks.reportError.
    void tmrParseTimer();

    bool IsPageComplete(const std::string& pageText);
    bool GoToNextPage(const std::string& pageText);

    QTimer& ParseTimer() { return tmrParse_; }
    HarvestSession& Session() { return session_; }

private:
    void Tick();

    HarvestSession& session_;
    IBrowser& browser_;
    IHarvestWindow& window_;
    IPump& pump_;
    Hooks hooks_;
    QTimer tmrParse_;
    bool inTick_ = false;
};

inline const char* const kRunCompletedText = "Process completed! Don't forget save your result list!";

} // namespace tessaly
