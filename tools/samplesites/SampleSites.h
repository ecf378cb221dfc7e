#pragma once
// The sample sites: pages of the four classified-ad sites kept under
// samples/, served on loopback with their placeholders filled in.
//
// Placeholders in the sample files:
//   {{BASE}}          the server's own address, "http://127.0.0.1:<port>"
//   {{DATE-N:FORMAT}} the day N days before today, written with the QDate
//                     format FORMAT in English (C locale) names, or with
//                     FORMAT "kijiji": "oggi", "ieri", else "12 Marzo".

#include "LoopbackHttpServer.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>
#include <memory>

namespace tessaly::samplesites {

struct SampleSite {
    const char* name;          // "craigslist", ...
    const char* firstListing;  // path of the first listing page
};

// In the order of the site list: Craigslist, Backpage, Kijiji, Bakeca.
extern const std::array<SampleSite, 4> kSampleSites;

// The samples folder of the source tree this program was built from.
QString DefaultSamplesRoot();

// One date written in a placeholder's format.
QString RenderDate(QDate date, const QString& format, QDate today);

// Fills every placeholder of a sample page.
QByteArray RenderSamplePage(const QByteArray& text, const QByteArray& baseUrl, QDate today);

// The file below root that answers a request path and query; empty when
// there is none. Repeated slashes count as one (relative next-page links
// produce them); "/dir/" means "/dir/index.html"; "?page=N" (N > 1) picks
// "index-pageN.html"; a last segment without an extension may stand for
// "<segment>.html". Paths that climb out of root are refused.
QString ResolveSampleFile(const QString& root, const QByteArray& path, const QByteArray& query);

// The answer to one request: the rendered page, or 404.
HttpResponse ServeSample(const QString& root, const HttpRequest& request, const QByteArray& baseUrl,
                         QDate today);

// A running sample-site server. today() is asked for every request, so a
// server left running over midnight moves its dates along.
class SampleSiteServer {
public:
    using TodayFn = QDate (*)();
    explicit SampleSiteServer(QString root, TodayFn today = &QDate::currentDate);
    ~SampleSiteServer();

    bool Listen(quint16 port = 0);
    QByteArray BaseUrl() const;
    LoopbackHttpServer& Http() { return *server_; }

private:
    QString root_;
    TodayFn today_;
    std::unique_ptr<LoopbackHttpServer> server_;
};

} // namespace tessaly::samplesites
