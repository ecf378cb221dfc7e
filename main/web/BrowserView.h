#pragma once
// The embedded browser: a QWebEngineView with the operations the harvest and
// the browser bar use.

#include "HarvestController.h"

#include <QWebEngineView>

#include <functional>
#include <string>

namespace tessaly {

// Empties the web engine's HTTP cache (the cache the browser loads pages
// through), so a session starts with fresh listing pages.
void ClearUrlCache();

class BrowserView : public QWebEngineView, public IBrowser {
    Q_OBJECT
public:
    explicit BrowserView(QWidget* parent = nullptr);

    // IBrowser
    std::string ReadPageHtml() override;
    void Navigate(const std::string& url) override;
    void StopLoading() override;
    void BlankAndWait() override;

    bool Busy() const { return busy_; }
    void GoBack();
    void GoForward();
    void RefreshPage();

    // Gauge value for a progress of `progress` out of `maximum`.
    static int GaugePercent(int progress, int maximum);

signals:
    // The top-level address after a navigation was committed.
    void NavigateComplete(const QString& locationUrl);
    // The load progress as a gauge value (0 to 100).
    void ProgressChange(int gaugeValue);

private:
    bool busy_ = false;
};

} // namespace tessaly
