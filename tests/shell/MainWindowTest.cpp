// The main window on a virtual display: start-up state, the interval rules,
// and a harvest through the real browser against pages served on loopback.
#include "FMain.h"
#include "HttpFetcher.h"
#include "LoopbackHttpServer.h"
#include "WaitFor.h"
#include "ResultsModel.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QStatusBar>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace tessaly;
using tessaly::testing::WaitFor;

namespace {

// Every window of these tests keeps its settings in a scratch folder and
// asks an update server that is not there.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(settingsDir_.isValid());
        qputenv("TESSALY_SETTINGS_DIR", settingsDir_.path().toUtf8());
        qputenv("TESSALY_UPDATE_URL", "http://127.0.0.1:1/");
    }
    QTemporaryDir settingsDir_;
};

QByteArray ListingPage(const QByteArray& base, int ads)
{
    QByteArray page = "<html><body><table summary=\"\" width=\"100%\"><tr><td>cl</td></tr></table>"
                      "<h4 class=\"ban\">Mon Dec 06</h4><blockquote>";
    for (int i = 1; i <= ads; ++i)
        page += "<p><a href=\"" + base + "/details/" + QByteArray::number(i) + ".html\">Ad " + QByteArray::number(i) +
                "</a></p>";
    page += "</blockquote><div id=\"footer\">f</div></body></html>";
    return page;
}

QByteArray DetailsPage(int i)
{
    return "<html><body><div class=\"bchead\"><a href=\"/\">cl</a> &gt; <a href=\"/c\">city</a> &gt; "
           "<a href=\"/c/sss\">for sale</a> &gt; <a href=\"/c/sss/fur\">furniture</a></div>"
           "<h2>Item " + QByteArray::number(i) + " - cheap</h2><hr>Date: " +
           QDate::currentDate().toString(Qt::ISODate).toUtf8() +
           ", 3:45PM EST<br>"
           "<div id=\"userbody\">Call 555-123-456" + QByteArray::number(i) + " or mail seller" +
           QByteArray::number(i) + "@example.com</div></body></html>";
}

TEST_F(MainWindowTest, StartsWithTheDocumentedState)
{
    TfrmMain window;
    window.show();
    EXPECT_EQ(window.windowTitle(), "Tessaly 2.02");
    EXPECT_EQ(window.cbxSite->currentIndex(), 0);
    EXPECT_EQ(window.cbxSite->count(), 4);
    EXPECT_EQ(window.cbxInterval->currentText(), "Today");
    EXPECT_FALSE(window.edtStart->isEnabled());
    EXPECT_FALSE(window.edtEnd->isEnabled());
    EXPECT_TRUE(window.edtStart->IsEmpty());
    EXPECT_EQ(window.StartDate(), QDate::currentDate());
    EXPECT_EQ(window.spExported->text(), "0 exported items");
    EXPECT_EQ(window.panSecondary->text(), "0 items");
    EXPECT_EQ(window.stMode->text(), "Mode: Manual Export");
    EXPECT_EQ(window.MainGauge->value(), 0);
    EXPECT_EQ(window.btnBrowserFoward->toolTip(), "Go Forward");
}

// Every visible control lies inside its parent, overlaps no sibling, and is
// at least as large as it needs to be to show its text.
void ExpectTidyLayout(QWidget* parent, QStringList& problems)
{
    const auto children = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QList<QWidget*> visible;
    for (QWidget* child : children)
        if (child->isVisible() && !child->isWindow())
            visible.append(child);
    for (int i = 0; i < visible.size(); ++i) {
        QWidget* w = visible[i];
        const QString name = QString::fromUtf8(w->metaObject()->className()) + " '" + w->objectName() + "'";
        if (!parent->rect().contains(w->geometry()))
            problems << name + " sticks out of its parent";
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w))
            if (w->width() < w->minimumSizeHint().width() || w->height() < w->minimumSizeHint().height())
                problems << name + " is clipped";
        for (int j = i + 1; j < visible.size(); ++j)
            if (w->geometry().intersects(visible[j]->geometry()))
                problems << name + " overlaps " + visible[j]->metaObject()->className();
        ExpectTidyLayout(w, problems);
    }
}

TEST_F(MainWindowTest, LayoutAtTheDesignSizeHasNoOverlapsAndIsSavedAsAScreenshot)
{
    TfrmMain window;
    window.show();
    QTest::qWait(300);
    EXPECT_EQ(window.centralWidget()->width(), 1008);
    EXPECT_GE(window.centralWidget()->height() + window.statusBar()->height(), 641);
    QStringList problems;
    ExpectTidyLayout(&window, problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join("\n").toStdString();
    const QString dir = qEnvironmentVariable("TESSALY_BINARY_DIR", QDir::tempPath()) + "/screenshots";
    QDir().mkpath(dir);
    EXPECT_TRUE(window.grab().save(dir + "/main-window.png"));
}

TEST_F(MainWindowTest, SiteHomeUrlTakesTheTextBeforeTheParenthesis)
{
    EXPECT_EQ(SiteHomeUrl("http://www.kijiji.it (Italy)"), "http://www.kijiji.it");
    EXPECT_EQ(SiteHomeUrl("  http://a.b\t(x) (y)"), "http://a.b");
    EXPECT_EQ(SiteHomeUrl("http://no-region.example "), "http://no-region.example ");
}

TEST_F(MainWindowTest, IntervalListSetsTheStartDateAndTheEnabling)
{
    TfrmMain window;
    const QDate today = QDate::currentDate();
    struct Case {
        int index;
        QDate start;
        bool enabled;
    };
    const Case cases[] = {{1, today.addDays(-7), false}, {2, today.addDays(-30), false}, {3, today, true},
                          {0, today, false}};
    for (const Case& c : cases) {
        window.cbxInterval->setCurrentIndex(c.index);
        window.cbxIntervalChange();
        EXPECT_EQ(window.edtStart->date(), c.start) << c.index;
        EXPECT_EQ(window.edtStart->isEnabled(), c.enabled) << c.index;
        EXPECT_EQ(window.edtEnd->isEnabled(), c.enabled) << c.index;
    }

    // An end date entered under "Custom Interval" survives a switch to "Today".
    window.cbxInterval->setCurrentIndex(3);
    window.cbxIntervalChange();
    window.edtEnd->SetDate(today.addDays(-2));
    window.cbxInterval->setCurrentIndex(0);
    window.cbxIntervalChange();
    EXPECT_EQ(window.EndDate(), today.addDays(-2));
    EXPECT_FALSE(window.edtEnd->isEnabled());
}

TEST_F(MainWindowTest, GetDataHarvestsAServedListingPageToTheEnd)
{
    QByteArray base;
    LoopbackHttpServer server([&base](const HttpRequest& request) {
        if (request.path == "/sss/index.html")
            return HttpResponse::Text(200, ListingPage(base, 3));
        if (request.path.startsWith("/details/"))
            return HttpResponse::Text(200, DetailsPage(request.path.mid(9, 1).toInt()));
        return HttpResponse::Text(404, "missing");
    });
    ASSERT_TRUE(server.Listen());
    base = server.BaseUrl();

    TfrmMain window;
    window.show();
    window.edtAddress->setText(QString::fromUtf8(base + "/sss/index.html"));
    window.btnGoClick();
    window.btnGetData->click();
    ASSERT_TRUE(WaitFor([&] { return window.MainStatusPanel->text() == kRunCompletedText; }))
        << window.MainStatusPanel->text().toStdString();
    EXPECT_FALSE(window.Session().Running);
    ASSERT_EQ(window.Results().Count(), 3);
    const LeadRecord& first = window.Results().Row(0);
    EXPECT_EQ(first.Headline, "Item 1");
    EXPECT_EQ(first.Emails, "seller1@example.com");
    EXPECT_EQ(first.Phones, "555-123-4561");
    EXPECT_EQ(first.DetailsUrl, base.toStdString() + "/details/1.html");
    EXPECT_EQ(window.panSecondary->text(), "3 items");
    EXPECT_EQ(window.MainGauge->value(), 0);
}

TEST_F(MainWindowTest, StopDuringADetailsFetchEndsTheRunAtOnce)
{
    QByteArray base;
    TfrmMain* window = nullptr;
    QElapsedTimer sinceStop;
    LoopbackHttpServer server([&](const HttpRequest& request) {
        if (request.path == "/sss/index.html")
            return HttpResponse::Text(200, ListingPage(base, 2));
        if (!request.path.startsWith("/details/"))
            return HttpResponse::Text(404, "missing");
        // The user presses Stop while this page trickles in; the fetch
        // waits inside the harvest tick, so the press comes from the event
        // loop like a real click.
        QTimer::singleShot(300, window, [&] {
            sinceStop.start();
            window->btnStop->click();
        });
        HttpResponse slow = HttpResponse::Text(200, QByteArray(200000, 'x'));
        slow.chunkSize = 100;
        slow.chunkDelayMs = 50;  // the whole page would take well over a minute
        return slow;
    });
    ASSERT_TRUE(server.Listen());
    base = server.BaseUrl();

    TfrmMain mainWindow;
    window = &mainWindow;
    mainWindow.show();
    mainWindow.edtAddress->setText(QString::fromUtf8(base + "/sss/index.html"));
    mainWindow.btnGoClick();
    mainWindow.btnGetData->click();
    ASSERT_TRUE(WaitFor([&] { return mainWindow.MainStatusPanel->text() == HttpFetcher::kProcessAbortedText; }, 20000))
        << mainWindow.MainStatusPanel->text().toStdString();
    EXPECT_LT(sinceStop.elapsed(), 5000);
    EXPECT_FALSE(mainWindow.Session().Running);
    EXPECT_TRUE(mainWindow.Session().StopRequested);
    QTest::qWait(1500);
    EXPECT_FALSE(mainWindow.Controller().ParseTimer().isActive());
    // The second ad was never fetched and the aborted one made no row.
    int detailsRequests = 0;
    for (const HttpRequest& request : server.Requests())
        detailsRequests += request.path.startsWith("/details/") ? 1 : 0;
    EXPECT_EQ(detailsRequests, 1);
    EXPECT_EQ(mainWindow.Results().Count(), 0);
}

} // namespace
