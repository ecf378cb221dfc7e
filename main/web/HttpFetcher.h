#pragma once
// The HTTP fetcher: details pages into memory (GetWebResource) and files
// (DownloadFile), over QNetworkAccessManager. Both calls block in a local
// event loop, so the window keeps painting and Stop can abort a fetch.

#include "AppSettings.h"
#include "WebFetcher.h"
#include "WindowHost.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <string>

class QAuthenticator;
class QNetworkAccessManager;
class QNetworkCookieJar;
class QNetworkProxy;
class QNetworkReply;
class QNetworkRequest;

namespace tessaly {

class HttpFetcher : public QObject, public IWebFetcher {
    Q_OBJECT
public:
    static constexpr const char* kPageUserAgent = "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)";
    static constexpr const char* kDownloadUserAgent = "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)";
    static constexpr int kMaxRedirects = 15;

    static constexpr const char* kGettingText = "Getting web resource...";
    static constexpr const char* kConnectionErrorText = "Connection error, check if you are connected and url exists.";
    static constexpr const char* kProcessAbortedText = "Proccess aborted by user.";
    static constexpr const char* kDownloadAbortedText = "Download aborted by user.";
    static constexpr const char* kDownloadCompletedText = "Download completed!";

    // settings: proxy fields and ExportManually are read at every request.
    // stopRequested: the harvest's stop flag, read at the start of each
    // operation and by every progress event. status/pump: the main status
    // panel and gauge, and the message pump.
    HttpFetcher(const AppSettings& settings, const bool& stopRequested, IStatusBar& status, IPump& pump,
                QObject* parent = nullptr);
    ~HttpFetcher() override;

    // The page at url, converted to UTF-8. Redirects are followed (http and
    // https, at most kMaxRedirects in a row). False (body untouched) on any
    // failure, with the reason in the status panel; nothing is sent while
    // the stop flag is set.
    bool GetWebResource(const std::string& url, std::string& body) override;

    // Fetches url into the file at path (raw bytes) with a client of its
    // own: own cookies, no progress on the gauge, not aborted by Disconnect.
    // A failed transfer, or a file that cannot be created, leaves no file
    // behind. When the stop flag is set by the end, the file stays but the
    // result is false. honourStopFlag=false lets the update check download
    // although a harvest was stopped.
    bool DownloadFile(const std::string& url, const std::string& path, bool honourStopFlag = true);

    // Aborts a GetWebResource transfer in progress at once (Stop, window
    // close). Does nothing to a download.
    void Disconnect();

    // In memory; lives as long as the fetcher.
    QNetworkCookieJar* CookieJar() const;

    // The proxy port a settings text stands for: a whole number as a port
    // (kept to 16 bits, as a port field would), anything else 80.
    static quint16 ProxyPort(const std::string& portText);
    // The proxy a request goes through under these settings; NoProxy when
    // the proxy is off (never the application's default proxy).
    static QNetworkProxy ProxyFor(const AppSettings& settings);
    // A response body as UTF-8: decoded by the charset the Content-Type
    // declares (Latin-1 and ASCII labels read as Windows-1252, as browsers
    // do), else kept when it is valid UTF-8, else read as Windows-1252.
    static std::string BodyToUtf8(const QByteArray& body, const QByteArray& contentType);

private:
    QNetworkRequest NewRequest(const std::string& url, const char* userAgent) const;
    void ApplyProxy(QNetworkAccessManager& client) const;
    void SupplyProxyCredentials(QAuthenticator* authenticator) const;

    // Progress of the shared client's transfers.
    void WorkBegin(qint64 expectedBytes);
    void Work(qint64 bytesSoFar);
    void WorkEnd();
    void PumpFromHandler();

    const AppSettings& settings_;
    const bool& stopRequested_;
    IStatusBar& status_;
    IPump& pump_;
    QNetworkAccessManager* client_;       // shared by every GetWebResource
    QPointer<QNetworkReply> inProgress_;  // the GetWebResource transfer Disconnect aborts
    bool disconnected_ = false;           // Disconnect was called during this GetWebResource
    bool pumping_ = false;                // a progress handler's pump is running
};

} // namespace tessaly
