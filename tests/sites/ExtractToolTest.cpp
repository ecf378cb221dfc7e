// tessaly-extract, run as the maintainers run it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

QString Env(const char* name) { return QProcessEnvironment::systemEnvironment().value(QString::fromLatin1(name)); }
QString Sample(const QString& rel) { return Env("TESSALY_SOURCE_DIR") + QStringLiteral("/samples/") + rel; }

ToolRun Extract(const QStringList& args, const QByteArray& input = {})
{
    QProcess p;
    p.start(Env("TESSALY_BINARY_DIR") + QStringLiteral("/bin/tessaly-extract"), args);
    EXPECT_TRUE(p.waitForStarted());
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

TEST(ExtractToolTest, PrintsTheDetailsRecordAsOneExportLine)
{
    const ToolRun r = Extract({QStringLiteral("backpage"), Sample(QStringLiteral("backpage/FurnitureForSale/sofa-bed-3100005.html"))});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(), std::string("\"FurnitureForSale\",\"sanjose\",\"Sofa bed ¨almost new¨\",\"Pull out sofa bed, grey.\","
                                       "\"\",\"408-555-0165\",\"{{DATE-1:MMMM d, yyyy}} 10:02 PM\",\"\"\n"));
}

TEST(ExtractToolTest, ReadsStandardInput)
{
    const ToolRun r = Extract({QStringLiteral("bakeca"), QStringLiteral("-")},
                          "<div class=\"breadcrumbs\"><strong>Roma</strong><strong>Casa</strong></div>"
                          "<span class=\"postpreviewtitle\">Sedia</span><strong>05/03/2011</strong>");
    EXPECT_EQ(r.exitCode, 0);
    // Location is the first <strong>, Category the second; the line puts Category first.
    EXPECT_EQ(r.out.toStdString(), "\"Casa\",\"Roma\",\"Sedia\",\"\",\"\",\"\",\"05/03/2011\",\"\"\n");
}

TEST(ExtractToolTest, ListingPrintsTheDetailsUrls)
{
    const ToolRun r = Extract({QStringLiteral("craigslist"), Sample(QStringLiteral("craigslist/fuo/index200.html")),
                           QStringLiteral("--listing"), QStringLiteral("--rewrite")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList expected;
    for (int id = 20; id <= 26; ++id)
        expected << QStringLiteral("{{BASE}}/craigslist/fuo/20954100%1.html").arg(id);
    EXPECT_EQ(r.out.toStdString(), (expected.join(QLatin1Char('\n')) + QLatin1Char('\n')).toStdString());

    // Ordinary markup is not what the browser hands over: without the
    // rewrite the upper-case markers find nothing.
    const ToolRun raw = Extract({QStringLiteral("craigslist"), Sample(QStringLiteral("craigslist/fuo/index200.html")),
                             QStringLiteral("--listing")});
    EXPECT_EQ(raw.exitCode, 0);
    EXPECT_EQ(raw.out, QString());
}

TEST(ExtractToolTest, WrongArgumentsGiveUsageAndFailure)
{
    const QStringList cases[] = {
        {},
        {QStringLiteral("craigslist")},
        {QStringLiteral("ebay"), QStringLiteral("-")},
        {QStringLiteral("kijiji"), QStringLiteral("-"), QStringLiteral("--bogus")},
        {QStringLiteral("kijiji"), QStringLiteral("a"), QStringLiteral("b")},
        {QStringLiteral("kijiji"), QStringLiteral("-"), QStringLiteral("--rewrite")},
    };
    for (const QStringList& args : cases) {
        const ToolRun r = Extract(args);
        EXPECT_NE(r.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("usage: tessaly-extract"))) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    const ToolRun missing = Extract({QStringLiteral("kijiji"), QStringLiteral("/nonexistent/page.html")});
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("cannot read")));
}

} // namespace
