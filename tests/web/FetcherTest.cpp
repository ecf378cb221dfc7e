// HttpFetcher against the real loopback HTTP server.

#include "HttpFetcher.h"
#include "LoopbackHttpServer.h"
#include "fetcher_fakes.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace tessaly {
namespace {

using test::FakeWindow;

const QString kGetting = HttpFetcher::kGettingText;
const QString kConnectionError = HttpFetcher::kConnectionErrorText;
const QString kProcessAborted = HttpFetcher::kProcessAbortedText;
const QString kDownloadAborted = HttpFetcher::kDownloadAbortedText;
const QString kDownloadCompleted = HttpFetcher::kDownloadCompletedText;

// 200 chunks of 1 KiB, one every 25 ms: five seconds for the whole body.
constexpr int kSlowChunks = 200;
constexpr int kSlowDelayMs = 25;
constexpr qint64 kSlowTotalMs = qint64(kSlowChunks) * kSlowDelayMs;

HttpResponse SlowBody()
{
    HttpResponse response = HttpResponse::Text(200, QByteArray(kSlowChunks * 1024, 'x'));
    response.chunkSize = 1024;
    response.chunkDelayMs = kSlowDelayMs;
    return response;
}

void SetCookie(HttpResponse& response, const QByteArray& cookie)
{
    response.headers.append(qMakePair(QByteArray("Set-Cookie"), cookie));
}

class FetcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.Listen());
        ASSERT_TRUE(dir.isValid());
    }

    std::string Url(const QByteArray& target) const { return (server.BaseUrl() + target).toStdString(); }
    QString FilePath(const QString& name) const { return dir.filePath(name); }
    // The paths the server was asked for, in order.
    QList<QByteArray> Paths() const
    {
        QList<QByteArray> paths;
        for (const HttpRequest& request : server.Requests())
            paths << request.path;
        return paths;
    }

    AppSettings settings;
    bool stop = false;
    FakeWindow window;
    HttpFetcher fetcher{settings, stop, window, window};
    std::function<HttpResponse(const HttpRequest&)> respond = [](const HttpRequest&) {
        return HttpResponse::Text(200, "<html>ok</html>");
    };
    LoopbackHttpServer server{[this](const HttpRequest& request) { return respond(request); }};
    QTemporaryDir dir;
};

// ---- GetWebResource --------------------------------------------------------

TEST_F(FetcherTest, SendsThePageRequestHeaders)
{
    std::string body;
    ASSERT_TRUE(fetcher.GetWebResource(Url("/page?id=7"), body));

    ASSERT_EQ(server.Requests().size(), 1);
    const HttpRequest& request = server.Requests().front();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/page?id=7");
    EXPECT_EQ(request.Header("user-agent"), "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)");
    EXPECT_EQ(request.Header("accept"), "text/html, */*");
    EXPECT_EQ(request.Header("content-type"), "text/html");
    EXPECT_EQ(request.Header("pragma"), "no-cache");
    EXPECT_EQ(request.Header("cache-control"), "no-cache");
    EXPECT_EQ(request.Header("connection").toLower(), "close");
    EXPECT_FALSE(request.headers.contains("authorization"));
    EXPECT_FALSE(request.headers.contains("proxy-authorization"));
}

TEST_F(FetcherTest, ReturnsTheBodyWithStatusAndGaugeAsTheTransferGoes)
{
    const QByteArray page = "<html>" + QByteArray(5000, 'a') + "</html>";
    respond = [&](const HttpRequest&) { return HttpResponse::Text(200, page); };

    std::string body = "";
    ASSERT_TRUE(fetcher.GetWebResource(Url("/page"), body));
    EXPECT_EQ(body, page.toStdString());

    const QString size = QString::number(page.size());
    // Before the request: the text, the gauge at 0, one pump.
    ASSERT_GE(window.log.size(), 3);
    EXPECT_EQ(window.log.mid(0, 3), (QStringList{"status:" + kGetting, "value:0", "pump"}));
    // The transfer begins: maximum = expected bytes, value 0, a pump.
    const qsizetype begin = window.log.indexOf("max:" + size);
    ASSERT_GT(begin, 0);
    EXPECT_EQ(window.log.mid(begin, 3), (QStringList{"max:" + size, "value:0", "pump"}));
    // It ends: value = maximum, a pump, then the text is cleared.
    EXPECT_EQ(window.log.mid(window.log.size() - 3), (QStringList{"value:" + size, "pump", "status:"}));
    EXPECT_EQ(window.Statuses(), (QStringList{kGetting, ""}));
}

TEST_F(FetcherTest, FollowsFifteenRedirectsInARow)
{
    respond = [&](const HttpRequest& request) {
        const int left = request.path.mid(3).toInt();  // "/r/<n>"
        if (left == 0)
            return HttpResponse::Text(200, "the end");
        return HttpResponse::Redirect(server.BaseUrl() + "/r/" + QByteArray::number(left - 1));
    };

    std::string body;
    ASSERT_TRUE(fetcher.GetWebResource(Url("/r/15"), body));
    EXPECT_EQ(body, "the end");
    EXPECT_EQ(server.Requests().size(), 16) << Paths().join(' ').toStdString();
    EXPECT_EQ(Paths().back(), "/r/0");
}

TEST_F(FetcherTest, RefusesTheSixteenthRedirect)
{
    respond = [&](const HttpRequest& request) {
        const int left = request.path.mid(3).toInt();
        if (left == 0)
            return HttpResponse::Text(200, "the end");
        return HttpResponse::Redirect("/r/" + QByteArray::number(left - 1), 301);
    };

    std::string body = "untouched";
    EXPECT_FALSE(fetcher.GetWebResource(Url("/r/16"), body));
    EXPECT_EQ(body, "untouched");
    EXPECT_EQ(server.Requests().size(), 16) << Paths().join(' ').toStdString();
    EXPECT_FALSE(Paths().contains("/r/0"));
    EXPECT_EQ(window.Statuses().back(), kConnectionError);
}

TEST_F(FetcherTest, NotFoundAndServerErrorAreConnectionErrors)
{
    for (const int code : {404, 500}) {
        SCOPED_TRACE(code);
        respond = [code](const HttpRequest&) { return HttpResponse::Text(code, "<html>error page</html>"); };
        window.log.clear();

        std::string body = "untouched";
        EXPECT_FALSE(fetcher.GetWebResource(Url("/missing"), body));
        EXPECT_EQ(body, "untouched");
        EXPECT_EQ(window.Statuses(), (QStringList{kGetting, kConnectionError}));
        EXPECT_EQ(window.log.back(), "pump");
    }
}

TEST_F(FetcherTest, RefusedConnectionIsAConnectionError)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();

    std::string body = "untouched";
    EXPECT_FALSE(fetcher.GetWebResource("http://127.0.0.1:" + std::to_string(port) + "/", body));
    EXPECT_EQ(body, "untouched");
    EXPECT_EQ(window.Statuses().back(), kConnectionError);
}

TEST_F(FetcherTest, OnlyHttpAddressesAreFetched)
{
    QFile file(FilePath("local.html"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html>local</html>");
    file.close();

    std::string body = "untouched";
    EXPECT_FALSE(fetcher.GetWebResource(QUrl::fromLocalFile(file.fileName()).toString().toStdString(), body));
    EXPECT_EQ(body, "untouched");
    EXPECT_EQ(window.Statuses().back(), kConnectionError);
}

TEST_F(FetcherTest, SendsCookiesBackOnLaterFetches)
{
    respond = [](const HttpRequest& request) {
        HttpResponse response = HttpResponse::Text(200, "ok");
        if (request.path == "/login")
            SetCookie(response, "session=abc123; Path=/");
        return response;
    };

    std::string body;
    ASSERT_TRUE(fetcher.GetWebResource(Url("/login"), body));
    ASSERT_TRUE(fetcher.GetWebResource(Url("/details"), body));

    ASSERT_EQ(server.Requests().size(), 2);
    EXPECT_FALSE(server.Requests()[0].headers.contains("cookie"));
    EXPECT_EQ(server.Requests()[1].Header("cookie"), "session=abc123");
    EXPECT_EQ(fetcher.CookieJar()->cookiesForUrl(QUrl(QString::fromStdString(Url("/")))).size(), 1);
}

TEST_F(FetcherTest, CookiesSetOnARedirectReachItsTarget)
{
    respond = [](const HttpRequest& request) {
        if (request.path == "/start") {
            HttpResponse response = HttpResponse::Redirect("/target");
            SetCookie(response, "visited=1; Path=/");
            return response;
        }
        return HttpResponse::Text(200, "target");
    };

    std::string body;
    ASSERT_TRUE(fetcher.GetWebResource(Url("/start"), body));
    ASSERT_EQ(server.Requests().size(), 2);
    EXPECT_EQ(server.Requests()[1].Header("cookie"), "visited=1");
}

TEST_F(FetcherTest, DisconnectFromAProgressEventAbortsAtOnce)
{
    respond = [](const HttpRequest&) { return SlowBody(); };
    int lastValue = 0;
    window.onGaugeValue = [&](int value) {
        lastValue = value;
        if (value > 0)
            fetcher.Disconnect();
    };

    QElapsedTimer clock;
    clock.start();
    std::string body = "untouched";
    EXPECT_FALSE(fetcher.GetWebResource(Url("/slow"), body));
    EXPECT_LT(clock.elapsed(), kSlowTotalMs / 2);
    EXPECT_EQ(body, "untouched");
    // A disconnect without Stop (the window closing) is a connection error.
    EXPECT_EQ(window.Statuses().back(), kConnectionError);
    EXPECT_EQ(server.Requests().size(), 1);
}

TEST_F(FetcherTest, DisconnectFromATimerAbortsAtOnce)
{
    respond = [](const HttpRequest&) { return SlowBody(); };
    QTimer::singleShot(100, &fetcher, [&] { fetcher.Disconnect(); });

    QElapsedTimer clock;
    clock.start();
    std::string body = "untouched";
    EXPECT_FALSE(fetcher.GetWebResource(Url("/slow"), body));
    EXPECT_LT(clock.elapsed(), kSlowTotalMs / 2);
    EXPECT_EQ(body, "untouched");
    EXPECT_EQ(window.Statuses().back(), kConnectionError);
}

TEST_F(FetcherTest, StopFlagSeenByAProgressEventAbortsWithTheStopText)
{
    // Stop pressed once the request is out; the first progress event aborts.
    respond = [&](const HttpRequest&) {
        stop = true;
        return SlowBody();
    };

    QElapsedTimer clock;
    clock.start();
    std::string body = "untouched";
    EXPECT_FALSE(fetcher.GetWebResource(Url("/slow"), body));
    EXPECT_LT(clock.elapsed(), kSlowTotalMs / 2);
    EXPECT_EQ(body, "untouched");
    EXPECT_EQ(window.Statuses(), (QStringList{kGetting, kProcessAborted}));
    // Only the end of the transfer puts the gauge at its maximum.
    const QString full = "value:" + QString::number(kSlowChunks * 1024);
    EXPECT_EQ(window.log.count(full), 1);
    EXPECT_EQ(window.log.mid(window.log.indexOf(full)),
              (QStringList{full, "pump", "status:" + kProcessAborted, "pump"}));
}

TEST_F(FetcherTest, StopPressedDuringTheFirstPumpSendsNothing)
{
    // The window's Stop handler sets the flag and disconnects, with no
    // transfer yet to abort.
    window.onGaugeValue = [&](int) {
        stop = true;
        fetcher.Disconnect();
    };

    std::string body = "untouched";
    EXPECT_FALSE(fetcher.GetWebResource(Url("/page"), body));
    EXPECT_TRUE(server.Requests().isEmpty());
    EXPECT_EQ(window.Statuses(), (QStringList{kGetting, kProcessAborted}));
}

TEST_F(FetcherTest, NothingIsSentWhileStopped)
{
    stop = true;
    std::string body = "untouched";
    EXPECT_FALSE(fetcher.GetWebResource(Url("/page"), body));
    EXPECT_EQ(body, "untouched");
    EXPECT_FALSE(fetcher.DownloadFile(Url("/file"), FilePath("f.txt").toStdString()));
    EXPECT_FALSE(QFile::exists(FilePath("f.txt")));

    QCoreApplication::processEvents();
    EXPECT_TRUE(server.Requests().isEmpty());
    EXPECT_TRUE(window.log.isEmpty());  // no text, no gauge, no pump
}

TEST_F(FetcherTest, DisconnectWithoutATransferDoesNothing)
{
    fetcher.Disconnect();
    std::string body;
    EXPECT_TRUE(fetcher.GetWebResource(Url("/page"), body));
    fetcher.Disconnect();
    EXPECT_EQ(body, "<html>ok</html>");
}

TEST_F(FetcherTest, AutomaticExportModeWritesNoProgressTextButStillErrors)
{
    settings.ExportManually = false;

    std::string body;
    ASSERT_TRUE(fetcher.GetWebResource(Url("/page"), body));
    EXPECT_TRUE(window.Statuses().isEmpty());
    EXPECT_TRUE(window.log.contains("value:0"));  // the gauge still moves

    respond = [](const HttpRequest&) { return HttpResponse::Text(404, "no"); };
    EXPECT_FALSE(fetcher.GetWebResource(Url("/gone"), body));
    EXPECT_EQ(window.Statuses(), QStringList{kConnectionError});
}

TEST_F(FetcherTest, ProxyOffGoesDirectEvenWithAnApplicationProxy)
{
    LoopbackHttpServer proxy([](const HttpRequest&) { return HttpResponse::Text(200, "from the proxy"); });
    ASSERT_TRUE(proxy.Listen());
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", proxy.Port()));

    settings.UseProxy = false;
    settings.Host = "127.0.0.1";
    settings.Port = std::to_string(proxy.Port());
    std::string body;
    const bool ok = fetcher.GetWebResource(Url("/page"), body);
    const bool downloaded = fetcher.DownloadFile(Url("/file"), FilePath("f.txt").toStdString());
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));

    EXPECT_TRUE(ok);
    EXPECT_TRUE(downloaded);
    EXPECT_EQ(body, "<html>ok</html>");
    EXPECT_TRUE(proxy.Requests().isEmpty());
    EXPECT_EQ(server.Requests().size(), 2);
}

TEST_F(FetcherTest, ProxySettingsAreReadAtEveryRequest)
{
    LoopbackHttpServer proxy([](const HttpRequest&) { return HttpResponse::Text(200, "from the proxy"); });
    ASSERT_TRUE(proxy.Listen());

    settings.UseProxy = true;
    settings.Host = "127.0.0.1";
    settings.Port = std::to_string(proxy.Port());
    std::string body;
    ASSERT_TRUE(fetcher.GetWebResource(Url("/page"), body));
    EXPECT_EQ(body, "from the proxy");
    ASSERT_EQ(proxy.Requests().size(), 1);
    EXPECT_EQ(proxy.Requests()[0].target, server.BaseUrl() + "/page");  // the absolute form a proxy gets

    settings.UseProxy = false;
    ASSERT_TRUE(fetcher.GetWebResource(Url("/page"), body));
    EXPECT_EQ(body, "<html>ok</html>");
    EXPECT_EQ(proxy.Requests().size(), 1);
    EXPECT_EQ(server.Requests().size(), 1);
}

// ---- text ------------------------------------------------------------------

TEST_F(FetcherTest, ConvertsTheBodyByTheDeclaredCharset)
{
    QByteArray bytes;
    QByteArray type;
    respond = [&](const HttpRequest&) { return HttpResponse::Text(200, bytes, type); };
    std::string body;

    bytes = "caf\xe9";
    type = "text/html; charset=ISO-8859-1";
    ASSERT_TRUE(fetcher.GetWebResource(Url("/latin1"), body));
    EXPECT_EQ(body, "caf\xc3\xa9");

    bytes = "\xa4 5";
    type = "text/html; charset=\"iso-8859-15\"";
    ASSERT_TRUE(fetcher.GetWebResource(Url("/latin9"), body));
    EXPECT_EQ(body, "\xe2\x82\xac 5");  // the euro sign
}

TEST_F(FetcherTest, KeepsUndeclaredUtf8AndReadsOtherBytesAsWindows1252)
{
    QByteArray bytes;
    respond = [&](const HttpRequest&) { return HttpResponse::Text(200, bytes, "text/html"); };
    std::string body;

    bytes = "caf\xc3\xa9 \xe2\x80\x9cquoted\xe2\x80\x9d";
    ASSERT_TRUE(fetcher.GetWebResource(Url("/utf8"), body));
    EXPECT_EQ(body, bytes.toStdString());

    bytes = "caf\xe9 \x93quoted\x94";
    ASSERT_TRUE(fetcher.GetWebResource(Url("/cp1252"), body));
    EXPECT_EQ(body, "caf\xc3\xa9 \xe2\x80\x9cquoted\xe2\x80\x9d");
}

// ---- DownloadFile ------------------------------------------------------------

TEST_F(FetcherTest, DownloadWritesTheRawBytes)
{
    const QByteArray bytes("ver=2.03\r\nname=caf\xe9\0end", 22);
    respond = [&](const HttpRequest&) { return HttpResponse::Text(200, bytes, "text/plain"); };
    const QString path = FilePath("update.txt");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100, 'o'));  // an existing file is emptied first
    }

    ASSERT_TRUE(fetcher.DownloadFile(Url("/update.txt"), path.toStdString()));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
    EXPECT_EQ(window.log, (QStringList{"status:" + kGetting, "status:" + kDownloadCompleted}));
    ASSERT_EQ(server.Requests().size(), 1);
    EXPECT_EQ(server.Requests()[0].Header("user-agent"), "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)");
}

TEST_F(FetcherTest, DownloadFollowsRedirectsWithCookiesOfItsOwn)
{
    respond = [&](const HttpRequest& request) {
        if (request.path == "/old") {
            HttpResponse response = HttpResponse::Redirect("/new");
            SetCookie(response, "dl=1; Path=/");
            return response;
        }
        return HttpResponse::Text(200, "moved here");
    };
    // A cookie of the page client must not leak into the download client.
    fetcher.CookieJar()->setCookiesFromUrl(QNetworkCookie::parseCookies("page=1; Path=/"),
                                           QUrl(QString::fromStdString(Url("/"))));

    ASSERT_TRUE(fetcher.DownloadFile(Url("/old"), FilePath("f.txt").toStdString()));
    ASSERT_EQ(server.Requests().size(), 2);
    EXPECT_FALSE(server.Requests()[0].headers.contains("cookie"));
    EXPECT_EQ(server.Requests()[1].Header("cookie"), "dl=1");
    // ...nor the download's into the page client.
    EXPECT_EQ(fetcher.CookieJar()->cookiesForUrl(QUrl(QString::fromStdString(Url("/")))).size(), 1);
}

TEST_F(FetcherTest, ADroppedDownloadLeavesNoFile)
{
    respond = [](const HttpRequest&) {
        HttpResponse response = HttpResponse::Text(200, QByteArray(50000, 'd'), "application/octet-stream");
        response.dropAfter = 20000;
        return response;
    };
    const QString path = FilePath("partial.bin");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }

    EXPECT_FALSE(fetcher.DownloadFile(Url("/big"), path.toStdString()));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(window.Statuses(), (QStringList{kGetting, ""}));
    EXPECT_EQ(window.log.back(), "pump");
}

TEST_F(FetcherTest, ADownloadAnsweredWithAnErrorLeavesNoFile)
{
    respond = [](const HttpRequest&) { return HttpResponse::Text(404, "<html>not here</html>"); };
    const QString path = FilePath("missing.txt");

    EXPECT_FALSE(fetcher.DownloadFile(Url("/missing.txt"), path.toStdString()));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(window.Statuses(), (QStringList{kGetting, ""}));
}

TEST_F(FetcherTest, ADownloadWhoseFileCannotBeCreatedFailsWithoutARequest)
{
    const QString path = FilePath("no/such/folder/f.txt");

    EXPECT_FALSE(fetcher.DownloadFile(Url("/f.txt"), path.toStdString()));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(window.log.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_TRUE(server.Requests().isEmpty());
}

TEST_F(FetcherTest, StopDuringADownloadKeepsTheFileButReportsAbort)
{
    respond = [&](const HttpRequest&) {
        // Stop pressed while the download runs; it leaves downloads alone.
        stop = true;
        fetcher.Disconnect();
        HttpResponse response = HttpResponse::Text(200, QByteArray(20 * 1024, 'u'), "text/plain");
        response.chunkDelayMs = 10;
        return response;
    };
    const QString path = FilePath("update.txt");

    EXPECT_FALSE(fetcher.DownloadFile(Url("/update.txt"), path.toStdString()));
    EXPECT_EQ(QFileInfo(path).size(), 20 * 1024);
    EXPECT_EQ(window.Statuses(), (QStringList{kGetting, kDownloadAborted}));
}

TEST_F(FetcherTest, ADownloadThatIgnoresTheStopFlagRunsWhileStopped)
{
    stop = true;
    const QString path = FilePath("update.txt");

    ASSERT_TRUE(fetcher.DownloadFile(Url("/update.txt"), path.toStdString(), false));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(window.Statuses(), (QStringList{kGetting, kDownloadCompleted}));
}

TEST_F(FetcherTest, AFailedDownloadAfterStopSaysAborted)
{
    respond = [&](const HttpRequest&) {
        stop = true;
        HttpResponse response = HttpResponse::Text(200, QByteArray(20 * 1024, 'u'), "text/plain");
        response.chunkDelayMs = 10;
        response.dropAfter = 10 * 1024;
        return response;
    };
    const QString path = FilePath("update.txt");

    EXPECT_FALSE(fetcher.DownloadFile(Url("/update.txt"), path.toStdString()));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(window.Statuses(), (QStringList{kGetting, kDownloadAborted}));
}

} // namespace
} // namespace tessaly
