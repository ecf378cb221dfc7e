#include "BrowserView.h"

#include "PageText.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace tessaly {

namespace {

// How long ReadPageHtml waits for the page's script engine before it gives
// up and reports an empty page (the next tick asks again).
constexpr int kReadPageTimeoutMs = 10000;

} // namespace

void ClearUrlCache()
{
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    // The default profile keeps its HTTP cache in memory, so it is empty at
    // every start. Clearing it anyway is not harmless: the engine clears
    // asynchronously and cancels the page loads in flight when it does,
    // which left the first listing page of a session blank.
    if (profile->isOffTheRecord() || profile->httpCacheType() != QWebEngineProfile::DiskHttpCache)
        return;
    profile->clearHttpCache();
}

BrowserView::BrowserView(QWidget* parent) : QWebEngineView(parent)
{
    connect(this, &QWebEngineView::loadStarted, this, [this] { busy_ = true; });
    connect(this, &QWebEngineView::loadFinished, this, [this](bool) {
        busy_ = false;
        // The engine's progress ends at "done"; the gauge goes back to 0.
        emit ProgressChange(0);
    });
    connect(this, &QWebEngineView::loadProgress, this,
            [this](int percent) { emit ProgressChange(GaugePercent(percent, 100)); });
    connect(this, &QWebEngineView::urlChanged, this, [this](const QUrl& url) {
        emit NavigateComplete(url.toString());
    });
}

int BrowserView::GaugePercent(int progress, int maximum)
{
    if (progress >= 1 && maximum > 1)
        return int((qint64(progress) * 100) / maximum);
    return 0;
}

std::string BrowserView::ReadPageHtml()
{
    QEventLoop loop;
    bool done = false;
    QString html;
    QPointer<QEventLoop> guard(&loop);
    page()->runJavaScript(QStringLiteral("document.body ? document.body.outerHTML : ''"),
                          [&done, &html, guard](const QVariant& result) {
                              if (!guard)
                                  return;
                              html = result.toString();
                              done = true;
                              guard->quit();
                          });
    if (!done) {
        QTimer::singleShot(kReadPageTimeoutMs, &loop, &QEventLoop::quit);
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!done)
        return std::string();
    return RewriteToClassicMarkup(html.toStdString());
}

void BrowserView::Navigate(const std::string& url)
{
    load(QUrl(QString::fromStdString(url)));
}

void BrowserView::StopLoading()
{
    stop();
}

void BrowserView::BlankAndWait()
{
    QEventLoop loop;
    bool done = false;
    QPointer<QEventLoop> guard(&loop);
    // Any finished load ends the wait: a navigation that replaces the blank
    // page (the user picking another site meanwhile) must not leave the run
    // waiting for ever.
    const auto connection = connect(this, &QWebEngineView::loadFinished, this, [&done, guard](bool) {
        done = true;
        if (guard)
            guard->quit();
    });
    load(QUrl(QStringLiteral("about:blank")));
    if (!done && isVisible()) {
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
        loop.exec();
    }
    disconnect(connection);
}

void BrowserView::GoBack()
{
    if (busy_)
        stop();
    if (history()->canGoBack())
        back();
}

void BrowserView::GoForward()
{
    if (busy_)
        stop();
    if (history()->canGoForward())
        forward();
}

void BrowserView::RefreshPage()
{
    if (busy_)
        stop();
    reload();
}

} // namespace tessaly
