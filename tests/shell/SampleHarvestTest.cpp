// End-to-end harvests: the real main window with the real browser against
// the sample sites served on loopback, one test per site.
#include "AppSettings.h"
#include "FMain.h"
#include "PageText.h"
#include "ResultsModel.h"
#include "SampleSites.h"
#include "Sites.h"
#include "WaitFor.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

using namespace tessaly;
using tessaly::testing::WaitFor;
using namespace tessaly::samplesites;

namespace {

struct ChosenAd {
    const char* urlPart;  // a part of the Details URL that names the ad
    LeadRecord fields;   // the fields checked (DetailsUrl and DatePosted unused)
    int daysOld;
};

struct SiteCase {
    int siteIndex;
    const char* page2;  // request targets of the next listing pages
    const char* page3;
    ChosenAd ad;
};

QString ShortDate(int daysOld)
{
    return QLocale::system().toString(QDate::currentDate().addDays(-daysOld), QLocale::ShortFormat);
}

const SiteCase kSites[] = {
    {SiteCraigslist, "/craigslist/fuo/index100.html", "/craigslist/fuo/index200.html",
     {"/craigslist/fuo/2095410002.html",
      {"for sale / wanted > furniture - by owner", "san francisco", "Mid", "", "sale-dmtwp-kfa@craigslist.org,lena.teak@example.com",
       "(415) 555-0188", "", ""},
      0}},
    {SiteBackpage, "/backpage/FurnitureForSale/?page=2", "/backpage/FurnitureForSale/?page=3",
     {"leather-recliner-3100002", {"FurnitureForSale", "sf", "Leather recliner & ottoman", "", "", "(415) 555-0188", "", ""},
      0}},
    {SiteKijiji, "/kijiji/milano/arredamento/?page=2", "/kijiji/milano/arredamento/?page=3",
     {"tavolo-in-noce-massello-11223301",
      {" Casa e giardino > Arredamento", "Lombardia > Milano ", "Tavolo in noce massello", "", "mario.rossi@example.it",
       "02-45678901,339-1234567", "", ""},
      0}},
    {SiteBakeca, "/bakeca/milano/arredamento/?page=2", "/bakeca/milano/arredamento/?page=3",
     {"tavolo-cristallo-4455102",
      {"Arredamento", "Milano", "Tavolo in cristallo & acciaio", "", "cristallo@example.it", "333-4445556", "", ""}, 0}},
};

// The Details URLs the listing parser takes from listing page 1, 2 or 3 of a
// site, as the browser would show that page.
std::vector<std::string> LinksOfListingPage(int siteIndex, int page, const QByteArray& base)
{
    static const char* const kCraigslistPages[] = {"/index.html", "/index100.html", "/index200.html"};
    static const char* const kOtherPages[] = {"/index.html", "/index-page2.html", "/index-page3.html"};
    const QString siteFolder = QString::fromUtf8(kSampleSites[std::size_t(siteIndex)].firstListing).section('/', 0, -2);
    QFile file(DefaultSamplesRoot() + siteFolder +
               (siteIndex == SiteCraigslist ? kCraigslistPages : kOtherPages)[page - 1]);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ListingLinks(siteIndex, RewriteToClassicMarkup(
                                       RenderSamplePage(file.readAll(), base, QDate::currentDate()).toStdString()));
}

class SampleHarvest : public ::testing::TestWithParam<SiteCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(settingsDir_.isValid());
        qputenv("TESSALY_SETTINGS_DIR", settingsDir_.path().toUtf8());
        qputenv("TESSALY_UPDATE_URL", "http://127.0.0.1:1/");
    }
    QTemporaryDir settingsDir_;
};

// Runs one harvest from the first listing page and waits for its end.
void Harvest(TfrmMain& window, const QByteArray& firstListing, const QList<HttpRequest>* log = nullptr)
{
    auto requests = [log] {
        std::string all;
        if (log)
            for (const HttpRequest& r : *log)
                all += r.target.toStdString() + " ";
        return all;
    };
    window.MainStatusPanel->clear();
    window.edtAddress->setText(QString::fromUtf8(firstListing));
    window.btnGoClick();
    window.btnGetData->click();
    ASSERT_TRUE(WaitFor([&] { return window.MainStatusPanel->text() == kRunCompletedText; }, 60000))
        << "status: " << window.MainStatusPanel->text().toStdString()
        << "\naddress: " << window.edtAddress->text().toStdString() << "\nrows: " << window.Results().Count()
        << "\nrunning: " << window.Session().Running << "\nview url: " << window.EmbeddedWB1->url().toString().toStdString()
        << "\ntitle: " << window.EmbeddedWB1->title().toStdString() << "\nrequests: " << requests() << "\npage: " << window.EmbeddedWB1->ReadPageHtml().substr(0, 3000);
}

TEST_P(SampleHarvest, LastSevenDaysHarvestsThreePagesAndEndsAtTheOldAd)
{
    const SiteCase& site = GetParam();
    // Kijiji writes older dates without a year; early in January the
    // samples' late-December ads read as dates in the future.
    if (site.siteIndex == SiteKijiji && QDate::currentDate().dayOfYear() <= 9)
        GTEST_SKIP() << "Kijiji sample dates cross the turn of the year";
    SampleSiteServer server(DefaultSamplesRoot());
    ASSERT_TRUE(server.Listen());
    const QByteArray base = server.BaseUrl();
    const QByteArray first = base + kSampleSites[std::size_t(site.siteIndex)].firstListing;

    TfrmMain window;
    window.show();
    window.cbxSite->setCurrentIndex(site.siteIndex);
    window.cbxInterval->setCurrentIndex(1);
    window.cbxIntervalChange();
    Harvest(window, first, &server.Http().Requests());
    ASSERT_FALSE(HasFatalFailure());

    // 11 + 9 + 2 rows: the repeated link once, the dead link as a row of its own.
    const ResultsModel& rows = window.Results();
    EXPECT_EQ(rows.Count(), 22);
    EXPECT_EQ(window.panSecondary->text(), "22 items");

    QSet<QString> urls;
    for (int i = 0; i < rows.Count(); ++i)
        urls.insert(QString::fromStdString(rows.Row(i).DetailsUrl).trimmed().toUpper());
    EXPECT_EQ(urls.size(), rows.Count()) << "duplicate rows";

    // Relative next-page links pile up slashes; the server reads them as one.
    QSet<QByteArray> targets;
    for (const HttpRequest& request : server.Http().Requests()) {
        QByteArray target = request.target;
        while (target.contains("//"))
            target.replace("//", "/");
        targets.insert(target);
    }
    EXPECT_TRUE(targets.contains(site.page2)) << site.page2;
    EXPECT_TRUE(targets.contains(site.page3)) << site.page3;

    // The run ended at page 3's 8-day-old ad: the newer ads after it were
    // never fetched.
    const std::vector<std::string> links = LinksOfListingPage(site.siteIndex, 3, base);
    ASSERT_GE(links.size(), 4u);
    for (std::size_t i = 0; i < links.size(); ++i) {
        const QByteArray path = QUrl(QString::fromStdString(links[i])).path().toUtf8();
        bool requested = false;
        for (const HttpRequest& request : server.Http().Requests())
            requested = requested || request.path == path;
        if (i < 3)
            EXPECT_TRUE(requested) << links[i] << " (" << path.toStdString() << ") was not fetched";
        else
            EXPECT_FALSE(requested) << links[i] << " was fetched after the run should have ended";
    }

    // One chosen ad, field by field.
    const LeadRecord* chosen = nullptr;
    for (int i = 0; i < rows.Count(); ++i)
        if (QString::fromStdString(rows.Row(i).DetailsUrl).contains(QString::fromUtf8(site.ad.urlPart)))
            chosen = &rows.Row(i);
    ASSERT_NE(chosen, nullptr) << site.ad.urlPart;
    EXPECT_EQ(chosen->Category, site.ad.fields.Category);
    EXPECT_EQ(chosen->Location, site.ad.fields.Location);
    EXPECT_EQ(chosen->Headline, site.ad.fields.Headline);
    EXPECT_EQ(chosen->Emails, site.ad.fields.Emails);
    EXPECT_EQ(chosen->Phones, site.ad.fields.Phones);
    EXPECT_FALSE(chosen->Description.empty());
    EXPECT_EQ(QString::fromStdString(chosen->DatePosted), ShortDate(site.ad.daysOld));

    // A second run over the same pages finds only ads it already has.
    Harvest(window, first);
    EXPECT_EQ(window.Results().Count(), 22);
}

TEST_P(SampleHarvest, AutomaticExportWritesEveryAdToTheRunFile)
{
    const SiteCase& site = GetParam();
    SampleSiteServer server(DefaultSamplesRoot());
    ASSERT_TRUE(server.Listen());
    const QByteArray base = server.BaseUrl();
    QTemporaryDir exportDir;
    ASSERT_TRUE(exportDir.isValid());

    TfrmMain window;
    window.show();
    const AppSettings saved = TheAppSettings();
    TheAppSettings().ExportManually = false;
    TheAppSettings().ExportAutomatic = true;
    TheAppSettings().ExportFolder = exportDir.path().toStdString();
    window.cbxSite->setCurrentIndex(site.siteIndex);
    Harvest(window, base + kSampleSites[std::size_t(site.siteIndex)].firstListing, &server.Http().Requests());
    TheAppSettings() = saved;
    ASSERT_FALSE(HasFatalFailure());

    // Every link of every page, repeats and the dead link included, in
    // page order; no rows.
    std::vector<std::string> expected;
    for (int page = 1; page <= 3; ++page)
        for (const std::string& link : LinksOfListingPage(site.siteIndex, page, base))
            expected.push_back(link);
    ASSERT_EQ(expected.size(), 28u);
    EXPECT_EQ(window.Results().Count(), 0);
    EXPECT_EQ(window.spExported->text(), "28 exported items");

    const QStringList files = QDir(exportDir.path()).entryList({"Results *.csv"}, QDir::Files);
    ASSERT_EQ(files.size(), 1) << files.join(",").toStdString();
    QFile file(exportDir.filePath(files[0]));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    ASSERT_TRUE(content.startsWith("\xEF\xBB\xBF\"Category\",\"Location\""));
    QList<QByteArray> lines = content.mid(3).split('\n');
    ASSERT_EQ(lines.size(), 30);  // header, 28 ads, and the empty piece after the last line end
    EXPECT_TRUE(lines.last().isEmpty());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const QByteArray line = lines[int(i) + 1];
        EXPECT_TRUE(line.endsWith("\",\"" + QByteArray::fromStdString(expected[i]) + "\"\r")) << line.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Sites, SampleHarvest, ::testing::ValuesIn(kSites),
                         [](const ::testing::TestParamInfo<SiteCase>& info) {
                             return std::string(kSampleSites[std::size_t(info.param.siteIndex)].name);
                         });

} // namespace
