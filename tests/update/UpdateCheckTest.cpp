#include "ProductInfo.h"
#include "AppSettings.h"
#include "HttpFetcher.h"
#include "UpdateCheck.h"

#include "LoopbackHttpServer.h"

#include "WindowFakes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>
#include <functional>
#include <optional>

using tessaly::testing::FakeMessageBox;

namespace {

using tessaly::HttpRequest;
using tessaly::HttpResponse;
using tessaly::IMessageBox;

const QString kNoUpdates = QStringLiteral("There are no new updates for this application!");
const QString kMissingUpdater =
    QStringLiteral("The updater module is missing. Please reinstall again the current version!");
const QString kCloseQuestion = QStringLiteral(
    "To update your software the application will close to\n\rreplace some files. Do you want to update now?");

QString Offer(const QString& version)
{
    return QStringLiteral("There is a new update: (version ") + version
        + QStringLiteral(") available for your application!. Do you want download this update now?");
}

class NullStatusBar : public tessaly::IStatusBar {
public:
    void SetMainStatus(const QString& text) override { status = text; }
    void SetGaugeMaximum(int maximum) override { gaugeMaximum = maximum; }
    int GaugeMaximum() const override { return gaugeMaximum; }
    void SetGaugeValue(int) override {}
    QString status;
    int gaugeMaximum = 100;
};

class NullPump : public tessaly::IPump {
public:
    void Pump() override { QCoreApplication::processEvents(); }
};

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tempRoot_.isValid());
        ASSERT_TRUE(programDir_.isValid());
        savedTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", tempRoot_.path().toUtf8());
        ASSERT_TRUE(server_.Listen());
        qputenv("TESSALY_UPDATE_URL", server_.BaseUrl() + "/tessaly/");

        host_.msg = &msg_;
        host_.programDir = programDir_.path().toStdString();
        // The main window's fetcher, as the window wires it: a harvest
        // stopped by the user must not hide an update.
        host_.downloadFile = [this](const std::string& url, const std::string& path) {
            downloads_.push_back(path);
            return fetcher_.DownloadFile(url, path, /*honourStopFlag=*/false);
        };
        host_.startDetached = [this](const QString& program, const QStringList& args) {
            started_.push_back({program, args});
            return true;
        };
        host_.closeMainWindow = [this] { ++closed_; };
    }

    void TearDown() override
    {
        qputenv("TMPDIR", savedTmp_);
        qunsetenv("TESSALY_UPDATE_URL");
    }

    void Serve(int status, const QByteArray& body) { response_ = HttpResponse::Text(status, body, "text/plain"); }
    void ServeVersionLine(const QByteArray& versionLine)
    {
        Serve(200, "[APPLICATION]\r\nName=Tessaly\r\n" + versionLine + "\r\n");
    }

    void InstallUpdater()
    {
        QFile f(programDir_.filePath("Updater"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }

    QStringList TempFolderEntries() const
    {
        return QDir(tempRoot_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QTemporaryDir tempRoot_;
    QTemporaryDir programDir_;
    QByteArray savedTmp_;
    HttpResponse response_ = HttpResponse::Text(404, "not found");
    tessaly::LoopbackHttpServer server_{[this](const HttpRequest&) { return response_; }};
    FakeMessageBox msg_;
    tessaly::AppSettings settings_;
    bool harvestStopped_ = true;
    NullStatusBar statusBar_;
    NullPump pump_;
    tessaly::HttpFetcher fetcher_{settings_, harvestStopped_, statusBar_, pump_};
    tessaly::UpdateCheckHost host_;
    std::vector<std::string> downloads_;
    std::vector<std::pair<QString, QStringList>> started_;
    int closed_ = 0;
};

TEST_F(UpdateCheckTest, NothingNewerIsNotOffered)
{
    struct Case {
        const char* name;
        int status;
        QByteArray body;
    };
    const Case cases[] = {
        {"same version", 200, "[APPLICATION]\r\nName=Tessaly\r\nVersion=2.02\r\n"},
        {"same version, more digits", 200, "[APPLICATION]\r\nVersion=2.020\r\n"},
        {"lower version", 200, "[APPLICATION]\r\nVersion=1.99\r\n"},
        {"a word", 200, "[APPLICATION]\r\nVersion=latest\r\n"},
        {"empty value", 200, "[APPLICATION]\r\nVersion=\r\n"},
        {"no Version key", 200, "[APPLICATION]\r\nName=Tessaly\r\n"},
        {"other section only", 200, "[QUORIN]\r\nVersion=9.0\r\n"},
        {"missing description", 404, "not found"},
        {"server error", 500, "oops"},
    };
    for (const Case& c : cases) {
        for (const bool silent : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (silent ? " (silent)" : " (manual)"));
            Serve(c.status, c.body);
            server_.ClearRequests();
            msg_.shown.clear();
            downloads_.clear();

            tessaly::CheckForUpdates(silent, host_);

            ASSERT_EQ(server_.Requests().size(), 1);
            EXPECT_EQ(server_.Requests()[0].target, "/tessaly/mainappupdate.inf");
            ASSERT_EQ(downloads_.size(), 1u);
            const QString temp = QString::fromStdString(downloads_[0]);
            EXPECT_EQ(QFileInfo(temp).absolutePath(), QDir(tempRoot_.path()).absolutePath());
            EXPECT_TRUE(temp.endsWith(".inf"));
            if (silent) {
                EXPECT_TRUE(msg_.shown.empty());
            } else {
                ASSERT_EQ(msg_.shown.size(), 1u);
                EXPECT_EQ(msg_.shown[0].text, kNoUpdates);
                EXPECT_EQ(msg_.shown[0].kind, IMessageBox::Information);
                EXPECT_EQ(msg_.shown[0].buttons, IMessageBox::Ok);
            }
            EXPECT_TRUE(TempFolderEntries().isEmpty()) << TempFolderEntries().join(", ").toStdString();
        }
    }
    EXPECT_TRUE(started_.empty());
    EXPECT_EQ(closed_, 0);
}

TEST_F(UpdateCheckTest, UnreachableServerIsLikeNoUpdate)
{
    qputenv("TESSALY_UPDATE_URL", "http://127.0.0.1:1/tessaly/");
    tessaly::CheckForUpdates(false, host_);
    ASSERT_EQ(msg_.shown.size(), 1u);
    EXPECT_EQ(msg_.shown[0].text, kNoUpdates);
    EXPECT_TRUE(TempFolderEntries().isEmpty());
}

TEST_F(UpdateCheckTest, NewerVersionIsOfferedAsWrittenAndDeclinedSilently)
{
    for (const bool silent : {true, false}) {
        SCOPED_TRACE(silent ? "silent" : "manual");
        msg_.shown.clear();
        ServeVersionLine("version =  2.10 ");
        msg_.answers = {IMessageBox::AnswerCancel};
        QStringList leftWhileAsking{"not asked"};
        msg_.onShow = [&] { leftWhileAsking = TempFolderEntries(); };
        tessaly::CheckForUpdates(silent, host_);
        msg_.onShow = nullptr;

        ASSERT_EQ(msg_.shown.size(), 1u);
        EXPECT_EQ(msg_.shown[0].text, Offer("2.10"));
        EXPECT_EQ(msg_.shown[0].kind, IMessageBox::Information);
        EXPECT_EQ(msg_.shown[0].buttons, IMessageBox::OkCancel);
        // Deleted after reading, before the user is asked.
        EXPECT_TRUE(leftWhileAsking.isEmpty()) << leftWhileAsking.join(", ").toStdString();
    }
    EXPECT_TRUE(started_.empty());
    EXPECT_EQ(closed_, 0);
}

TEST_F(UpdateCheckTest, MissingUpdaterWarnsAndKeepsRunning)
{
    ServeVersionLine("Version=2.1");
    tessaly::CheckForUpdates(true, host_);
    ASSERT_EQ(msg_.shown.size(), 2u);
    EXPECT_EQ(msg_.shown[0].text, Offer("2.1"));
    EXPECT_EQ(msg_.shown[1].text, kMissingUpdater);
    EXPECT_EQ(msg_.shown[1].kind, IMessageBox::Warning);
    EXPECT_EQ(msg_.shown[1].buttons, IMessageBox::Ok);
    EXPECT_TRUE(started_.empty());
    EXPECT_EQ(closed_, 0);
}

TEST_F(UpdateCheckTest, DecliningTheCloseQuestionKeepsRunning)
{
    InstallUpdater();
    ServeVersionLine("Version=2.1");
    msg_.answers = {IMessageBox::AnswerOk, IMessageBox::AnswerCancel};
    tessaly::CheckForUpdates(false, host_);
    ASSERT_EQ(msg_.shown.size(), 2u);
    EXPECT_EQ(msg_.shown[1].text, kCloseQuestion);
    EXPECT_EQ(msg_.shown[1].kind, IMessageBox::Information);
    EXPECT_EQ(msg_.shown[1].buttons, IMessageBox::OkCancel);
    EXPECT_TRUE(started_.empty());
    EXPECT_EQ(closed_, 0);
}

TEST_F(UpdateCheckTest, FailedDownloadLeavesNoReservationBehind)
{
    ServeVersionLine("Version=9.0");
    host_.downloadFile = [](const std::string&, const std::string&) { return false; };
    tessaly::CheckForUpdates(false, host_);
    ASSERT_EQ(msg_.shown.size(), 1u);
    EXPECT_EQ(msg_.shown[0].text, kNoUpdates);
    EXPECT_TRUE(TempFolderEntries().isEmpty());
}

// Waits, with the event loop running, until the file exists or a generous
// limit passes; the limit only keeps a broken run from hanging the suite.
bool WaitForFile(const QString& path)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (QFileInfo::exists(path))
            loop.quit();
    });
    poll.start(20);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (!QFileInfo::exists(path))
        loop.exec();
    return QFileInfo::exists(path);
}

TEST_F(UpdateCheckTest, AcceptingStartsTheRealUpdaterWithItsArgumentsAndCloses)
{
    // A stand-in Updater that records its arguments, one per line.
    const QString argsFile = programDir_.filePath("args.txt");
    {
        QFile f(programDir_.filePath("Updater"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.partial\"\n"
                "mv \"$0.partial\" \"" + argsFile.toUtf8() + "\"\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    const QByteArray base = server_.BaseUrl() + "/tessaly dir/";
    qputenv("TESSALY_UPDATE_URL", base);
    response_ = HttpResponse::Text(200, "[Application]\nVersion=2.1\n");
    host_.startDetached = nullptr;  // the real QProcess::startDetached
    tessaly::CheckForUpdates(false, host_);

    ASSERT_EQ(msg_.shown.size(), 2u);
    EXPECT_EQ(msg_.shown[1].text, kCloseQuestion);
    EXPECT_EQ(closed_, 1);
    ASSERT_TRUE(WaitForFile(argsFile));
    QFile f(argsFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), base + "\n2.02\nA\n");
}

TEST_F(UpdateCheckTest, HandOffPassesBaseVersionAndKind)
{
    InstallUpdater();
    ServeVersionLine("Version=3");
    tessaly::CheckForUpdates(true, host_);
    ASSERT_EQ(started_.size(), 1u);
    EXPECT_EQ(started_[0].first, programDir_.filePath("Updater"));
    EXPECT_EQ(started_[0].second,
              QStringList({QString::fromUtf8(server_.BaseUrl() + "/tessaly/"), "2.02", "A"}));
    EXPECT_EQ(closed_, 1);
}

} // namespace
