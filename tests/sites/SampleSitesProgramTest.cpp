// tessaly-sample-sites, started as a user starts it.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTimer>

namespace {

QString Env(const char* name) { return QProcessEnvironment::systemEnvironment().value(QString::fromLatin1(name)); }
QString Program() { return Env("TESSALY_BINARY_DIR") + QStringLiteral("/bin/tessaly-sample-sites"); }

QPair<int, QByteArray> Get(const QString& url)
{
    QNetworkAccessManager nam;
    QNetworkReply* reply = nam.get(QNetworkRequest(QUrl(url)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return {status, body};
}

TEST(SampleSitesProgramTest, PrintsItsAddressesAndServesRenderedPages)
{
    QProcess server;
    server.start(Program(), {QStringLiteral("--port"), QStringLiteral("0")});
    ASSERT_TRUE(server.waitForStarted());
    QByteArray out;
    while (out.count('\n') < 5 && server.waitForReadyRead(10000))
        out += server.readAllStandardOutput();
    const QStringList lines = QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 5) << out.toStdString();

    const QRegularExpressionMatch base =
        QRegularExpression(QStringLiteral("^Sample sites on (http://127\\.0\\.0\\.1:\\d+)/ ")).match(lines[0]);
    ASSERT_TRUE(base.hasMatch()) << lines[0].toStdString();
    const QString b = base.captured(1);
    const QString expected[4] = {b + QStringLiteral("/craigslist/fuo/index.html"), b + QStringLiteral("/backpage/FurnitureForSale/"),
                                 b + QStringLiteral("/kijiji/milano/arredamento/"), b + QStringLiteral("/bakeca/milano/arredamento/")};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(lines[i + 1].endsWith(QLatin1Char(' ') + expected[i])) << lines[i + 1].toStdString();
        const auto [status, body] = Get(expected[i]);
        EXPECT_EQ(status, 200) << expected[i].toStdString();
        EXPECT_TRUE(body.contains(b.toUtf8() + '/')) << "placeholders filled in";
        EXPECT_FALSE(body.contains("{{")) << expected[i].toStdString();
    }
    EXPECT_EQ(Get(b + QStringLiteral("/craigslist/fuo/2095419999.html")).first, 404);

    server.terminate();
    EXPECT_TRUE(server.waitForFinished(10000));
}

TEST(SampleSitesProgramTest, BadArgumentsFail)
{
    const QStringList cases[] = {{QStringLiteral("--port"), QStringLiteral("http")},
                                 {QStringLiteral("--port"), QStringLiteral("70000")},
                                 {QStringLiteral("--root"), QStringLiteral("/nonexistent/samples")}};
    for (const QStringList& args : cases) {
        QProcess p;
        p.start(Program(), args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_NE(p.exitCode(), 0) << args.join(' ').toStdString();
        EXPECT_FALSE(p.readAllStandardError().isEmpty());
    }
}

} // namespace
