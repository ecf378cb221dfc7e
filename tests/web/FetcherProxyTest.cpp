// HttpFetcher through a real HTTP proxy with basic authentication: Debian's
// tinyproxy, started here in the foreground with a generated configuration.

#include "HttpFetcher.h"
#include "LoopbackHttpServer.h"
#include "fetcher_fakes.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

namespace tessaly {
namespace {

using test::FakeWindow;

const QString kGetting = HttpFetcher::kGettingText;
const QString kConnectionError = HttpFetcher::kConnectionErrorText;
const char* const kProxyName = "tessaly-test-proxy";

quint16 FreeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return 0;
    return probe.serverPort();
}

// One tinyproxy process on a free loopback port, user "user", password "pass".
class TinyProxy {
public:
    ~TinyProxy()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // Empty on success, else what went wrong.
    QString Start()
    {
        QString program = QStandardPaths::findExecutable("tinyproxy");
        if (program.isEmpty())
            program = QStandardPaths::findExecutable("tinyproxy", {"/usr/bin", "/usr/sbin"});
        if (program.isEmpty())
            return "tinyproxy is not installed; it is a project dependency (scripts/install-deps.sh)";
        if (!dir_.isValid())
            return "no temporary folder";
        port_ = FreeLoopbackPort();
        const QString config = dir_.filePath("tinyproxy.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return "cannot write " + config;
        file.write("Port " + QByteArray::number(port_) + "\n"
                   "Listen 127.0.0.1\n"
                   "Allow 127.0.0.1\n"
                   "BasicAuth user pass\n"
                   "ViaProxyName \"" + QByteArray(kProxyName) + "\"\n"
                   "LogFile \"" + dir_.filePath("tinyproxy.log").toUtf8() + "\"\n"
                   "LogLevel Info\n"
                   "PidFile \"" + dir_.filePath("tinyproxy.pid").toUtf8() + "\"\n"
                   "MaxClients 20\n"
                   "Timeout 60\n");
        file.close();

        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(program, {"-d", "-c", config});
        if (!process_.waitForStarted(5000))
            return "tinyproxy did not start: " + process_.errorString();
        // Ready when its port takes connections.
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port_);
            if (probe.waitForConnected(200))
                return {};
            if (process_.state() == QProcess::NotRunning)
                return "tinyproxy exited: " + QString::fromLocal8Bit(process_.readAll());
            QThread::msleep(50);
        }
        return "tinyproxy does not listen on port " + QString::number(port_) + ": " +
               QString::fromLocal8Bit(process_.readAll());
    }

    quint16 Port() const { return port_; }

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
};

class FetcherProxyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        proxy_ = std::make_unique<TinyProxy>();
        startError_ = proxy_->Start();
    }
    static void TearDownTestSuite() { proxy_.reset(); }

    void SetUp() override
    {
        // Missing or broken, the proxy is a failure, never a skip.
        ASSERT_TRUE(startError_.isEmpty()) << startError_.toStdString();
        ASSERT_TRUE(origin.Listen());
        settings.UseProxy = true;
        settings.Host = "127.0.0.1";
        settings.Port = std::to_string(proxy_->Port());
        settings.Authentification = true;
        settings.UserName = "user";
        settings.Password = "pass";
    }

    std::string Url(const QByteArray& target) const { return (origin.BaseUrl() + target).toStdString(); }
    static bool CameViaProxy(const HttpRequest& request) { return request.Header("via").contains(kProxyName); }

    static std::unique_ptr<TinyProxy> proxy_;
    static QString startError_;

    AppSettings settings;
    bool stop = false;
    FakeWindow window;
    HttpFetcher fetcher{settings, stop, window, window};
    LoopbackHttpServer origin{[](const HttpRequest&) { return HttpResponse::Text(200, "<html>origin</html>"); }};
};

std::unique_ptr<TinyProxy> FetcherProxyTest::proxy_;
QString FetcherProxyTest::startError_;

TEST_F(FetcherProxyTest, RightPasswordFetchesThroughTheProxy)
{
    std::string body;
    ASSERT_TRUE(fetcher.GetWebResource(Url("/page"), body));
    EXPECT_EQ(body, "<html>origin</html>");
    ASSERT_EQ(origin.Requests().size(), 1);
    EXPECT_TRUE(CameViaProxy(origin.Requests()[0])) << origin.Requests()[0].Header("via").toStdString();
    // The credentials are for the proxy; the origin never sees them.
    EXPECT_FALSE(origin.Requests()[0].headers.contains("proxy-authorization"));
    EXPECT_EQ(window.Statuses(), (QStringList{kGetting, ""}));
}

TEST_F(FetcherProxyTest, WrongPasswordIsAConnectionErrorAndTheNextRightOneWorks)
{
    std::string body;
    ASSERT_TRUE(fetcher.GetWebResource(Url("/page"), body));

    settings.Password = "wrong";
    body = "untouched";
    EXPECT_FALSE(fetcher.GetWebResource(Url("/page"), body));
    EXPECT_EQ(body, "untouched");
    EXPECT_EQ(window.Statuses().back(), kConnectionError);
    EXPECT_EQ(origin.Requests().size(), 1);

    settings.Password = "pass";
    ASSERT_TRUE(fetcher.GetWebResource(Url("/page"), body));
    EXPECT_EQ(body, "<html>origin</html>");
    EXPECT_EQ(origin.Requests().size(), 2);
}

TEST_F(FetcherProxyTest, NoCredentialsAreSentWithoutAuthentication)
{
    settings.Authentification = false;
    std::string body = "untouched";
    EXPECT_FALSE(fetcher.GetWebResource(Url("/page"), body));
    EXPECT_EQ(window.Statuses().back(), kConnectionError);
    EXPECT_TRUE(origin.Requests().isEmpty());
}

TEST_F(FetcherProxyTest, SwitchingTheProxyOffGoesDirect)
{
    std::string body;
    ASSERT_TRUE(fetcher.GetWebResource(Url("/first"), body));
    settings.UseProxy = false;
    ASSERT_TRUE(fetcher.GetWebResource(Url("/second"), body));

    ASSERT_EQ(origin.Requests().size(), 2);
    EXPECT_TRUE(CameViaProxy(origin.Requests()[0]));
    EXPECT_FALSE(origin.Requests()[1].headers.contains("via"));
    EXPECT_FALSE(origin.Requests()[1].headers.contains("proxy-authorization"));
}

TEST_F(FetcherProxyTest, DownloadGoesThroughTheProxyToo)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("update.txt");

    ASSERT_TRUE(fetcher.DownloadFile(Url("/update.txt"), path.toStdString()));
    ASSERT_EQ(origin.Requests().size(), 1);
    EXPECT_TRUE(CameViaProxy(origin.Requests()[0]));

    settings.Password = "wrong";
    EXPECT_FALSE(fetcher.DownloadFile(Url("/update.txt"), path.toStdString()));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(origin.Requests().size(), 1);
}

TEST_F(FetcherProxyTest, PortTextThatIsNoNumberMeansPort80)
{
    // A stand-in proxy on 127.0.0.1:80 sees where the request goes.
    LoopbackHttpServer port80([](const HttpRequest&) { return HttpResponse::Text(200, "via port 80"); });
    if (!port80.Listen(80))
        GTEST_SKIP() << "cannot listen on 127.0.0.1:80 here (not root, or the port is taken)";

    for (const char* portText : {"not a port", ""}) {
        SCOPED_TRACE(portText);
        settings.Port = portText;
        std::string body;
        ASSERT_TRUE(fetcher.GetWebResource(Url("/page"), body));
        EXPECT_EQ(body, "via port 80");
        ASSERT_FALSE(port80.Requests().isEmpty());
        EXPECT_EQ(port80.Requests().back().target, origin.BaseUrl() + "/page");
    }
    EXPECT_EQ(port80.Requests().size(), 2);
    EXPECT_TRUE(origin.Requests().isEmpty());
}

} // namespace
} // namespace tessaly
