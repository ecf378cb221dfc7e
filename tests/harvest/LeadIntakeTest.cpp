#include "LeadIntake.h"
#include "UUtils.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <vector>

using namespace tessaly;

namespace {

struct FakeIntakeHost : IIntakeHost {
    QDate start = QDate::currentDate();
    QDate end = QDate::currentDate();
    int rowsBefore = 0;
    std::vector<LeadRecord> rows;
    std::vector<QString> panelTexts;
    struct ExportCall { std::string folder, baseName, line; };
    std::vector<ExportCall> exports;
    int dateReads = 0;

    QDate StartDate() override { ++dateReads; return start; }
    QDate EndDate() override { return end; }
    int AddResultRow(const LeadRecord& record) override
    {
        rows.push_back(record);
        return rowsBefore + int(rows.size());
    }
    void SetSecondaryPanel(const QString& text) override { panelTexts.push_back(text); }
    void AppendExportLine(const std::string& folder, const std::string& baseName, const std::string& line) override
    {
        exports.push_back({folder, baseName, line});
    }
};

LeadRecord Ad(const std::string& url, const std::string& date)
{
    LeadRecord r;
    r.Category = "furniture";
    r.Location = "sf";
    r.Headline = "Oak table";
    r.Description = "Solid oak.";
    r.Emails = "a@example.com";
    r.Phones = "415-555-0142";
    r.DatePosted = date;
    r.DetailsUrl = url;
    return r;
}

std::string Iso(QDate d) { return d.toString(QStringLiteral("yyyy-MM-dd")).toStdString() + ", 3:45PM EST"; }
std::string English(QDate d) { return QLocale::c().toString(d, QStringLiteral("MMMM d, yyyy")).toStdString() + " 9:13 AM"; }
std::string Slash(QDate d) { return d.toString(QStringLiteral("dd/MM/yyyy")).toStdString(); }
std::string Italian(QDate d)
{
    static const char* const months[12] = {"Gennaio", "Febbraio", "Marzo", "Aprile", "Maggio", "Giugno",
                                           "Luglio", "Agosto", "Settembre", "Ottobre", "Novembre", "Dicembre"};
    return std::to_string(d.day()) + " " + months[d.month() - 1];
}
std::string ShortDate(QDate d) { return QLocale::system().toString(d, QLocale::ShortFormat).toStdString(); }

class IntakeTest : public ::testing::Test {
protected:
    HarvestSession session;
    AppSettings settings;
    FakeIntakeHost host;
    LeadIntake intake{session, settings, host};
    const QDate today = QDate::currentDate();

    void SetUp() override { session.Running = true; }
};

TEST_F(IntakeTest, AutomaticExportPassesEveryAdOnWithoutChecks)
{
    settings.ExportAutomatic = true;
    settings.ExportFolder = "/home/user/Documents";
    host.start = today.addDays(-1);
    host.end = today.addDays(-1);
    session.Remember("http://x/seen.html");

    const std::vector<LeadRecord> ads = {
        Ad("", Iso(today)),                          // no link
        Ad("  http://X/SEEN.html ", Iso(today)),     // already shown
        Ad("http://x/old.html", Iso(today.addDays(-30))),  // older than the interval
        Ad("http://x/new.html", Iso(today.addDays(5))),    // newer than the interval
        Ad("http://x/bad.html", "not a date"),       // would not even convert
    };
    for (LeadRecord ad : ads) {
        const LeadRecord before = ad;
        EXPECT_EQ(intake.IntakeLead(ad, SiteCraigslist), IntakeOutcome::Added);
        EXPECT_EQ(ad.DatePosted, before.DatePosted) << "the date is not rewritten in export mode";
    }
    ASSERT_EQ(host.exports.size(), ads.size());
    for (std::size_t i = 0; i < ads.size(); ++i) {
        EXPECT_EQ(host.exports[i].folder, "/home/user/Documents");
        EXPECT_EQ(host.exports[i].baseName, "Results");
        EXPECT_EQ(host.exports[i].line, LeadIntake::ExportLine(ads[i]));
    }
    EXPECT_TRUE(host.rows.empty());
    EXPECT_TRUE(host.panelTexts.empty());
    EXPECT_TRUE(session.Running);
    EXPECT_EQ(session.SeenUrls.size(), 1);
}

// A quote inside any field would end it early and shift the later columns.
TEST(ExportLineTest, QuotesEveryFieldTrimsOnlyTheFreeTextOnes)
{
    LeadRecord r;
    r.Category = " for sale ";
    r.Location = "sf";
    r.Headline = "  Sofa \"almost new\"  ";
    r.Description = "Say \"hi\"";
    r.Emails = " a.b@example.com,c@example.org ";
    r.Phones = "415-555-0142,(415) 555-0188";
    r.DatePosted = "<span class=\"d\">12 Marzo</span> ";
    r.DetailsUrl = " http://x/1.html";
    EXPECT_EQ(LeadIntake::ExportLine(r),
              "\"for sale\",\"sf\",\"Sofa \xC2\xA8" "almost new\xC2\xA8\",\"Say \xC2\xA8hi\xC2\xA8\","
              "\" a.b@example.com,c@example.org \",\"415-555-0142,(415) 555-0188\","
              "\"<span class=\xC2\xA8" "d\xC2\xA8>12 Marzo</span> \",\" http://x/1.html\"");
    EXPECT_EQ(LeadIntake::ExportLine(LeadRecord{}), "\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"");
}

TEST_F(IntakeTest, BlankLinksAndDuplicatesAreSkippedSilently)
{
    LeadRecord blank = Ad(" \t ", Iso(today));
    EXPECT_EQ(intake.IntakeLead(blank, SiteCraigslist), IntakeOutcome::Skipped);

    LeadRecord first = Ad("http://sf.example/fuo/1.html", Iso(today));
    EXPECT_EQ(intake.IntakeLead(first, SiteCraigslist), IntakeOutcome::Added);
    // Same ad: only the case of the letters and the blanks around it differ.
    LeadRecord again = Ad("  HTTP://SF.EXAMPLE/FUO/1.HTML\t", Iso(today));
    EXPECT_EQ(intake.IntakeLead(again, SiteCraigslist), IntakeOutcome::Skipped);
    EXPECT_EQ(host.rows.size(), 1u);

    // After "Delete All" the same ad comes in again.
    session.SeenUrls.clear();
    LeadRecord afterClear = Ad("http://sf.example/fuo/1.html", Iso(today));
    EXPECT_EQ(intake.IntakeLead(afterClear, SiteCraigslist), IntakeOutcome::Added);
    EXPECT_EQ(host.rows.size(), 2u);
}

struct SiteDates {
    int site;
    std::string (*format)(QDate);
};

TEST_F(IntakeTest, IntervalBoundsPerSite)
{
    const SiteDates sites[] = {{SiteCraigslist, &Iso}, {SiteBackpage, &English}, {SiteKijiji, &Italian},
                               {SiteBakeca, &Slash}};
    // Kijiji dates carry no year, so keep every date in the current year.
    const QDate start = today.dayOfYear() > 10 ? today.addDays(-6) : today;
    const QDate end = today.dayOfYear() > 10 ? today.addDays(-3) : today;
    for (const SiteDates& s : sites) {
        SCOPED_TRACE(s.site);
        HarvestSession localSession;
        localSession.Running = true;
        FakeIntakeHost localHost;
        localHost.start = start;
        localHost.end = end;
        LeadIntake localIntake(localSession, settings, localHost);

        LeadRecord onStart = Ad("http://x/start", s.format(start));
        EXPECT_EQ(localIntake.IntakeLead(onStart, s.site), IntakeOutcome::Added);
        EXPECT_EQ(onStart.DatePosted, ShortDate(start));
        LeadRecord onEnd = Ad("http://x/end", s.format(end));
        EXPECT_EQ(localIntake.IntakeLead(onEnd, s.site), IntakeOutcome::Added);

        if (end < today) {
            LeadRecord newer = Ad("http://x/newer", s.format(end.addDays(1)));
            EXPECT_EQ(localIntake.IntakeLead(newer, s.site), IntakeOutcome::Skipped);
            EXPECT_FALSE(localSession.HasSeen("http://x/newer"));
            EXPECT_TRUE(localSession.Running);
        }
        if (start.addDays(-1).year() == today.year()) {
            LeadRecord older = Ad("http://x/older", s.format(start.addDays(-1)));
            EXPECT_EQ(localIntake.IntakeLead(older, s.site), IntakeOutcome::RunEnded);
            EXPECT_FALSE(localSession.Running);
            EXPECT_FALSE(localSession.HasSeen("http://x/older"));
        }
        EXPECT_EQ(localHost.rows.size(), 2u);
        EXPECT_TRUE(localSession.HasSeen("http://x/start"));
    }
}

TEST_F(IntakeTest, CraigslistAdWithoutDateIsKeptWhateverTheInterval)
{
    host.start = today.addDays(10);
    host.end = today.addDays(20);
    LeadRecord undated = Ad("http://x/1.html", "   ");
    EXPECT_EQ(intake.IntakeLead(undated, SiteCraigslist), IntakeOutcome::Added);
    EXPECT_EQ(undated.DatePosted, "   ");
    ASSERT_EQ(host.rows.size(), 1u);
    EXPECT_EQ(host.rows[0].DatePosted, "   ");

    // The other sites date an empty text (today here), so the interval applies.
    LeadRecord backpage = Ad("http://x/2", "");
    EXPECT_EQ(intake.IntakeLead(backpage, SiteBackpage), IntakeOutcome::RunEnded);
}

TEST_F(IntakeTest, RowCarriesRewrittenDateAndPanelCountsAllRows)
{
    host.rowsBefore = 7;  // rows left from an earlier run
    host.start = today.addDays(-7);
    LeadRecord ad = Ad(" http://x/1.html ", Slash(today.addDays(-2)));
    ASSERT_EQ(intake.IntakeLead(ad, SiteBakeca), IntakeOutcome::Added);
    ASSERT_EQ(host.rows.size(), 1u);
    EXPECT_EQ(host.rows[0].DatePosted, ShortDate(today.addDays(-2)));
    EXPECT_EQ(host.rows[0].DetailsUrl, " http://x/1.html ");
    EXPECT_EQ(host.rows[0].Headline, "Oak table");
    ASSERT_EQ(host.panelTexts.size(), 1u);
    EXPECT_EQ(host.panelTexts[0], QStringLiteral("8 items"));
}

TEST_F(IntakeTest, IntervalIsReadAfreshForEveryAd)
{
    host.start = today.addDays(-1);
    LeadRecord a = Ad("http://x/a", Iso(today.addDays(-3)));
    EXPECT_EQ(intake.IntakeLead(a, SiteCraigslist), IntakeOutcome::RunEnded);
    session.Running = true;
    host.start = today.addDays(-5);  // the user widened the interval mid-run
    LeadRecord b = Ad("http://x/b", Iso(today.addDays(-3)));
    EXPECT_EQ(intake.IntakeLead(b, SiteCraigslist), IntakeOutcome::Added);
    EXPECT_EQ(host.dateReads, 2);
}

TEST_F(IntakeTest, UnreadableDateErrorReachesTheCaller)
{
    LeadRecord ad = Ad("http://x/1.html", "2010-12-07");  // no comma: not a Craigslist date line
    EXPECT_THROW(intake.IntakeLead(ad, SiteCraigslist), ConversionError);
    EXPECT_TRUE(host.rows.empty());
    EXPECT_FALSE(session.HasSeen("http://x/1.html"));
}

} // namespace
