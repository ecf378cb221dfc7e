#include "UpdateRunner.h"
#include "UpdaterTestSupport.h"

#include "LoopbackHttpServer.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QTemporaryDir>

#include <map>

namespace {

using tessaly::HttpRequest;
using tessaly::HttpResponse;
using tessaly::updater::CommandLine;
using tessaly::updater::UpdateRunner;
namespace LogText = tessaly::updater::LogText;

const QString kChecking = LogText::Checking;
const QString kNoUpdates = LogText::NoUpdates;
const QString kCompleted = LogText::Completed;
const QString kConnectionError = LogText::ConnectionError;
const QString kStopped = LogText::StoppedByUser;

class FakeView : public tessaly::updater::IUpdateView {
public:
    void AddLogLine(const QString& line) override { log << line; }
    void SetGauge(qint64 value, qint64 maximum) override
    {
        gaugeValue = value;
        gaugeMaximum = maximum;
        if (onGauge)
            onGauge(value, maximum);
    }
    void SetStopEnabled(bool enabled) override { stopEnabled = enabled; }
    void CloseWindow() override { ++closed; }

    QStringList log;
    qint64 gaugeValue = -1;
    qint64 gaugeMaximum = -1;
    bool stopEnabled = true;
    int closed = 0;
    std::function<void(qint64, qint64)> onGauge;
};

QByteArray Description(const char* section, const QByteArray& version, const QByteArray& source,
                       const QByteArray& target, const QByteArray& extra = {})
{
    return "[" + QByteArray(section) + "]\r\nName=Tessaly\r\nVersion=" + version + "\r\nSourcePath=" + source
        + "\r\nTargetPath=" + target + "\r\n" + extra;
}

class UpdateRunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tempRoot_.isValid());
        ASSERT_TRUE(updaterDir_.isValid());
        savedTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", tempRoot_.path().toUtf8());
        ASSERT_TRUE(server_.Listen());
    }
    void TearDown() override { qputenv("TMPDIR", savedTmp_); }

    std::unique_ptr<UpdateRunner> MakeRunner(const QString& kind, float installed = 2.02f, bool recordStarts = true)
    {
        auto runner = std::make_unique<UpdateRunner>(
            view_, CommandLine{QString::fromUtf8(server_.BaseUrl() + "/upd/"), installed, kind}, updaterDir_.path());
        if (recordStarts)
            runner->SetProgramStarter([this](const QString& path) {
                started_ << path;
                return true;
            });
        return runner;
    }

    QStringList RequestedPaths() const
    {
        QStringList paths;
        for (const HttpRequest& r : server_.Requests())
            paths << QString::fromUtf8(r.path);
        return paths;
    }

    QTemporaryDir tempRoot_;
    QTemporaryDir updaterDir_;
    QByteArray savedTmp_;
    std::map<QByteArray, HttpResponse> routes_;
    tessaly::LoopbackHttpServer server_{[this](const HttpRequest& r) {
        const auto it = routes_.find(r.path);
        return it == routes_.end() ? HttpResponse::Text(404, "missing") : it->second;
    }};
    FakeView view_;
    QStringList started_;
};

TEST_F(UpdateRunnerTest, NoNewerVersionDownloadsNothing)
{
    struct Case {
        const char* name;
        QByteArray description;
    };
    const Case cases[] = {
        {"same", Description("APPLICATION", "2.02", "setup.sh", "setup.sh")},
        {"same, more digits", Description("application", "2.020", "setup.sh", "setup.sh")},
        {"lower", Description("APPLICATION", "1.5", "setup.sh", "setup.sh")},
        {"a word", Description("APPLICATION", "newest", "setup.sh", "setup.sh")},
        {"no Version", "[APPLICATION]\r\nSourcePath=setup.sh\r\nTargetPath=setup.sh\r\n"},
        {"wrong section", Description("QUORIN", "9.0", "setup.sh", "setup.sh")},
        {"not an INI file", "<html>hello</html>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view_ = FakeView();
        server_.ClearRequests();
        routes_["/upd/mainappupdate.inf"] = HttpResponse::Text(200, c.description, "text/plain");
        auto runner = MakeRunner("A");
        EXPECT_TRUE(runner->Run());
        EXPECT_EQ(view_.log, QStringList({kChecking, kNoUpdates}));
        EXPECT_EQ(RequestedPaths(), QStringList({"/upd/mainappupdate.inf"}));
        EXPECT_FALSE(view_.stopEnabled);
        EXPECT_EQ(view_.closed, 0);
    }
    EXPECT_TRUE(started_.isEmpty());
}

TEST_F(UpdateRunnerTest, RequestsLookLikeTheOriginalClient)
{
    routes_["/upd/mainappupdate.inf"] = HttpResponse::Text(200, Description("APPLICATION", "1.0", "a", "a"));
    MakeRunner("A")->Run();
    ASSERT_EQ(server_.Requests().size(), 1);
    const HttpRequest& r = server_.Requests()[0];
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.Header("user-agent"), "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(r.Header("accept"), "text/html, */*");
}

TEST_F(UpdateRunnerTest, WordAsInstalledVersionCountsAsZero)
{
    const auto parsed = tessaly::updater::ParseCommandLine({"http://h/", "word", "A"});
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->installedVersion, 0.0f);
    routes_["/upd/mainappupdate.inf"] = HttpResponse::Text(200, Description("APPLICATION", "0.1", "s", "setup.sh"));
    routes_["/upd/s"] = HttpResponse::Text(200, "#!/bin/sh\n");
    MakeRunner("A", parsed->installedVersion)->Run();
    EXPECT_EQ(view_.log, QStringList({kChecking, "Downloading version 0.1...", kCompleted}));
}

TEST_F(UpdateRunnerTest, CommandLineNeedsThreeNonEmptyArguments)
{
    using tessaly::updater::ParseCommandLine;
    const QStringList incomplete[] = {
        {}, {"http://h/"}, {"http://h/", "2.02"}, {"", "2.02", "A"}, {"http://h/", "", "A"}, {"http://h/", "2.02", ""},
    };
    for (const QStringList& args : incomplete)
        EXPECT_FALSE(ParseCommandLine(args).has_value()) << args.join(' ').toStdString();
    const auto parsed = ParseCommandLine({"http://h/x/", "2.5", "B", "extra"}, QLocale(QLocale::English));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->updateBaseUrl, "http://h/x/");
    EXPECT_EQ(parsed->installedVersion, 2.5f);
    EXPECT_EQ(parsed->updateKind, "B");
}

TEST_F(UpdateRunnerTest, OtherKindsDoNothing)
{
    routes_["/upd/mainappupdate.inf"] = HttpResponse::Text(200, Description("APPLICATION", "9", "s", "t"));
    for (const char* kind : {"a", "b", "C", "AB"}) {
        SCOPED_TRACE(kind);
        EXPECT_FALSE(MakeRunner(kind)->Run());
    }
    EXPECT_TRUE(view_.log.isEmpty());
    EXPECT_TRUE(view_.stopEnabled);
    EXPECT_TRUE(server_.Requests().isEmpty());
}

TEST_F(UpdateRunnerTest, ApplicationUpdateLandsInAPrivateFolderAndStarts)
{
    const QByteArray installer = "#!/bin/sh\nexit 0\n" + QByteArray(5000, '#');
    routes_["/upd/mainappupdate.inf"] =
        HttpResponse::Text(200, Description("APPLICATION", "2.1", "files\\v2.1\\setup.sh", "setup.sh"));
    routes_["/upd/files/v2.1/setup.sh"] = HttpResponse::Text(200, installer, "application/octet-stream");

    auto runner = MakeRunner("A");
    runner->Run();

    EXPECT_EQ(view_.log, QStringList({kChecking, "Downloading version 2.1...", kCompleted}));
    EXPECT_EQ(RequestedPaths(), QStringList({"/upd/mainappupdate.inf", "/upd/files/v2.1/setup.sh"}));
    ASSERT_EQ(started_.size(), 1);
    const QFileInfo target(started_[0]);
    EXPECT_EQ(target.fileName(), "setup.sh");
    EXPECT_EQ(tessaly::test::ReadFile(target.filePath()), installer);
    EXPECT_TRUE(target.permissions() & QFileDevice::ExeOwner);
    // A fresh folder of its own inside the temporary folder, closed to others.
    const QFileInfo folder(target.absolutePath());
    EXPECT_EQ(folder.absolutePath(), QDir(tempRoot_.path()).absolutePath());
    EXPECT_NE(folder.absoluteFilePath(), QDir(tempRoot_.path()).absolutePath());
    EXPECT_EQ(folder.permissions() & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                      | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther),
              QFileDevice::Permissions());
    // The description went after reading; nothing else was left.
    EXPECT_EQ(tessaly::test::Entries(tempRoot_.path()), QStringList({folder.fileName()}));
    EXPECT_EQ(view_.gaugeValue, installer.size());
    EXPECT_EQ(view_.gaugeMaximum, installer.size());
    EXPECT_EQ(view_.closed, 1);
}

TEST_F(UpdateRunnerTest, QuorinUpdateReplacesTheFileBesideTheUpdater)
{
    const QString target = updaterDir_.filePath("tools/quorin.sh");
    ASSERT_TRUE(QDir().mkpath(updaterDir_.filePath("tools")));
    ASSERT_TRUE(tessaly::test::WriteFile(target, "old contents that are longer than the new ones"));
    ASSERT_TRUE(tessaly::test::WriteFile(updaterDir_.filePath("quorinupdate.inf"), "stale"));
    routes_["/upd/quorinupdate.inf"] =
        HttpResponse::Text(200, Description("Quorin", "3.0", "q/quorin.sh", "tools\\quorin.sh"));
    routes_["/upd/q/quorin.sh"] = HttpResponse::Text(200, "new");

    MakeRunner("B")->Run();

    EXPECT_EQ(view_.log, QStringList({kChecking, "Downloading version 3.0...", kCompleted}));
    EXPECT_EQ(started_, QStringList({target}));
    EXPECT_EQ(tessaly::test::ReadFile(target), "new");
    EXPECT_FALSE(QFileInfo::exists(updaterDir_.filePath("quorinupdate.inf")));
    EXPECT_TRUE(tessaly::test::Entries(tempRoot_.path()).isEmpty());
}

TEST_F(UpdateRunnerTest, QuorinDescriptionStaysWhenNothingIsNewer)
{
    routes_["/upd/quorinupdate.inf"] = HttpResponse::Text(200, Description("QUORIN", "1.0", "q", "q"));
    MakeRunner("B")->Run();
    EXPECT_EQ(view_.log, QStringList({kChecking, kNoUpdates}));
    EXPECT_EQ(tessaly::test::ReadFile(updaterDir_.filePath("quorinupdate.inf")),
              Description("QUORIN", "1.0", "q", "q"));
}

TEST_F(UpdateRunnerTest, ServerErrorsEndTheRunWithTheConnectionError)
{
    struct Case {
        const char* name;
        HttpResponse description;
        HttpResponse download;
        QStringList log;
    };
    HttpResponse broken = HttpResponse::Text(200, QByteArray(4000, 'x'));
    broken.dropAfter = 1000;
    const QByteArray offer = Description("QUORIN", "2.5", "dl/setup.sh", "setup.sh");
    const Case cases[] = {
        {"description 500", HttpResponse::Text(500, "boom"), {}, {kChecking, kConnectionError}},
        {"description 404", HttpResponse::Text(404, "gone"), {}, {kChecking, kConnectionError}},
        {"download 500", HttpResponse::Text(200, offer), HttpResponse::Text(500, "boom"),
         {kChecking, "Downloading version 2.5...", kConnectionError}},
        {"download cut short", HttpResponse::Text(200, offer), broken,
         {kChecking, "Downloading version 2.5...", kConnectionError}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view_ = FakeView();
        ASSERT_TRUE(tessaly::test::WriteFile(updaterDir_.filePath("quorinupdate.inf"), "old"));
        routes_["/upd/quorinupdate.inf"] = c.description;
        routes_["/upd/dl/setup.sh"] = c.download;
        MakeRunner("B")->Run();
        EXPECT_EQ(view_.log, c.log);
        EXPECT_FALSE(view_.stopEnabled);
        EXPECT_EQ(view_.closed, 0);
        // Neither a partial download nor the old description remains.
        EXPECT_TRUE(tessaly::test::Entries(updaterDir_.path()).isEmpty())
            << tessaly::test::Entries(updaterDir_.path()).join(", ").toStdString();
    }
    EXPECT_TRUE(started_.isEmpty());
}

TEST_F(UpdateRunnerTest, FailedApplicationDownloadLeavesNothingInTheTemporaryFolder)
{
    routes_["/upd/mainappupdate.inf"] = HttpResponse::Text(200, Description("APPLICATION", "2.5", "nothere", "a/b.sh"));
    MakeRunner("A")->Run();
    EXPECT_EQ(view_.log, QStringList({kChecking, "Downloading version 2.5...", kConnectionError}));
    EXPECT_TRUE(tessaly::test::Entries(tempRoot_.path()).isEmpty())
        << tessaly::test::Entries(tempRoot_.path()).join(", ").toStdString();
    EXPECT_TRUE(started_.isEmpty());
}

TEST_F(UpdateRunnerTest, RedirectIsFollowed)
{
    routes_["/upd/mainappupdate.inf"] = HttpResponse::Redirect("/mirror/mainappupdate.inf");
    routes_["/mirror/mainappupdate.inf"] = HttpResponse::Text(200, Description("APPLICATION", "2.5", "s", "s.sh"));
    routes_["/upd/s"] = HttpResponse::Redirect(server_.BaseUrl() + "/mirror/s");
    routes_["/mirror/s"] = HttpResponse::Text(200, "payload");
    MakeRunner("A")->Run();
    EXPECT_EQ(view_.log, QStringList({kChecking, "Downloading version 2.5...", kCompleted}));
    ASSERT_EQ(started_.size(), 1);
    EXPECT_EQ(tessaly::test::ReadFile(started_[0]), "payload");
}

TEST_F(UpdateRunnerTest, StopDuringTheDownloadDeletesThePartialFile)
{
    const QString target = updaterDir_.filePath("setup.sh");
    routes_["/upd/quorinupdate.inf"] = HttpResponse::Text(200, Description("QUORIN", "2.5", "setup.sh", "setup.sh"));
    HttpResponse slow = HttpResponse::Text(200, QByteArray(64 * 1024, 'z'));
    slow.chunkSize = 1024;
    slow.chunkDelayMs = 5;
    routes_["/upd/setup.sh"] = slow;

    auto runner = MakeRunner("B");
    bool partialSeen = false;
    view_.onGauge = [&](qint64 value, qint64 maximum) {
        if (value > 0 && value < maximum && !runner->AbortRequested()) {
            partialSeen = QFileInfo(target).size() > 0;
            runner->Stop();
        }
    };
    runner->Run();

    EXPECT_TRUE(partialSeen);
    EXPECT_EQ(view_.log, QStringList({kChecking, "Downloading version 2.5...", kStopped}));
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_FALSE(view_.stopEnabled);
    EXPECT_TRUE(started_.isEmpty());
    EXPECT_EQ(view_.closed, 0);
}

TEST_F(UpdateRunnerTest, StopDuringTheFirstFetch)
{
    HttpResponse slow = HttpResponse::Text(200, Description("APPLICATION", "9.0", "s", "s") + QByteArray(32 * 1024, ';'));
    slow.chunkDelayMs = 5;
    routes_["/upd/mainappupdate.inf"] = slow;
    auto runner = MakeRunner("A");
    view_.onGauge = [&](qint64 value, qint64) {
        if (value > 0 && !runner->AbortRequested())
            runner->Stop();
    };
    runner->Run();
    EXPECT_EQ(view_.log, QStringList({kChecking, kStopped}));
    EXPECT_EQ(RequestedPaths(), QStringList({"/upd/mainappupdate.inf"}));
    EXPECT_TRUE(tessaly::test::Entries(tempRoot_.path()).isEmpty());
}

TEST_F(UpdateRunnerTest, CloseDuringTheDownloadAddsNoLine)
{
    routes_["/upd/quorinupdate.inf"] = HttpResponse::Text(200, Description("QUORIN", "2.5", "setup.sh", "setup.sh"));
    HttpResponse slow = HttpResponse::Text(200, QByteArray(64 * 1024, 'z'));
    slow.chunkDelayMs = 5;
    routes_["/upd/setup.sh"] = slow;
    auto runner = MakeRunner("B");
    view_.onGauge = [&](qint64 value, qint64 maximum) {
        if (value > 0 && value < maximum)
            runner->Abort();
    };
    runner->Run();
    EXPECT_EQ(view_.log, QStringList({kChecking, "Downloading version 2.5..."}));
    EXPECT_FALSE(QFileInfo::exists(updaterDir_.filePath("setup.sh")));
    EXPECT_TRUE(started_.isEmpty());
}

TEST_F(UpdateRunnerTest, TargetPathsOutsideTheTargetFolderAreRefused)
{
    const char* refused[] = {"../evil.sh", "..\\evil.sh", "sub/../../evil.sh", "/tmp/evil.sh",
                             "\\\\server\\share\\evil.sh", "C:\\Windows\\evil.exe", "..", ".", ""};
    for (const char* path : refused) {
        SCOPED_TRACE(path);
        view_ = FakeView();
        server_.ClearRequests();
        routes_["/upd/quorinupdate.inf"] = HttpResponse::Text(200, Description("QUORIN", "2.5", "setup.sh", path));
        routes_["/upd/setup.sh"] = HttpResponse::Text(200, "#!/bin/sh\n");
        MakeRunner("B")->Run();
        EXPECT_EQ(view_.log, QStringList({kChecking, "Downloading version 2.5...",
                                          QStringLiteral("Refused target path: ") + path}));
        EXPECT_EQ(RequestedPaths(), QStringList({"/upd/quorinupdate.inf"}));
        EXPECT_FALSE(view_.stopEnabled);
    }
    EXPECT_TRUE(started_.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(updaterDir_.path()).absolutePath() + "/evil.sh"));
}

TEST_F(UpdateRunnerTest, FilesThatCannotBeCreatedEndTheRunWithoutADownload)
{
    // A folder in TargetPath that is a file.
    ASSERT_TRUE(tessaly::test::WriteFile(updaterDir_.filePath("sub"), "a file, not a folder"));
    routes_["/upd/quorinupdate.inf"] = HttpResponse::Text(200, Description("QUORIN", "2.5", "setup.sh", "sub/setup.sh"));
    routes_["/upd/setup.sh"] = HttpResponse::Text(200, "#!/bin/sh\n");
    MakeRunner("B")->Run();
    EXPECT_EQ(view_.log, QStringList({kChecking, "Downloading version 2.5...",
                                      "Cannot create the file: " + updaterDir_.filePath("sub/setup.sh")}));
    EXPECT_EQ(RequestedPaths(), QStringList({"/upd/quorinupdate.inf"}));
    EXPECT_FALSE(view_.stopEnabled);

    // A temporary "folder" that is a file.
    view_ = FakeView();
    server_.ClearRequests();
    const QString missing = tempRoot_.filePath("not-a-folder");
    ASSERT_TRUE(tessaly::test::WriteFile(missing, "x"));
    qputenv("TMPDIR", missing.toUtf8());
    MakeRunner("A")->Run();
    EXPECT_EQ(view_.log, QStringList({kChecking, "Cannot create the file: " + missing}));
    EXPECT_TRUE(server_.Requests().isEmpty());
    EXPECT_TRUE(started_.isEmpty());
}

TEST(TargetPathTest, RelativePathsInsideTheFolderAreCleaned)
{
    const std::pair<const char*, const char*> accepted[] = {
        {"setup.exe", "setup.exe"},
        {"bin\\tools\\setup.exe", "bin/tools/setup.exe"},
        {"a/../b.exe", "b.exe"},
        {"./x//y.exe", "x/y.exe"},
        {"..hidden", "..hidden"},
    };
    for (const auto& [path, clean] : accepted) {
        QString cleaned;
        EXPECT_TRUE(tessaly::updater::IsSafeTargetPath(path, &cleaned)) << path;
        EXPECT_EQ(cleaned, clean) << path;
    }
}

TEST_F(UpdateRunnerTest, ChecksumDecidesWhetherTheDownloadIsStarted)
{
    const QByteArray payload = "#!/bin/sh\necho hi\n";
    const QByteArray digest = QCryptographicHash::hash(payload, QCryptographicHash::Sha256).toHex();
    struct Case {
        const char* name;
        QByteArray sha256Line;
        bool started;
    };
    const Case cases[] = {
        {"matching, upper case", "SHA256=" + digest.toUpper() + "\r\n", true},
        {"matching, key in lower case", "sha256 = " + digest + "\r\n", true},
        {"no key", "", true},
        {"mismatch", "SHA256=" + QByteArray(64, '0') + "\r\n", false},
        {"empty value", "SHA256=\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view_ = FakeView();
        started_.clear();
        const QString target = updaterDir_.filePath("setup.sh");
        routes_["/upd/quorinupdate.inf"] =
            HttpResponse::Text(200, Description("QUORIN", "2.5", "setup.sh", "setup.sh", c.sha256Line));
        routes_["/upd/setup.sh"] = HttpResponse::Text(200, payload);
        MakeRunner("B")->Run();
        if (c.started) {
            EXPECT_EQ(view_.log.last(), kCompleted);
            EXPECT_EQ(started_, QStringList({target}));
            EXPECT_EQ(view_.closed, 1);
        } else {
            EXPECT_EQ(view_.log, QStringList({kChecking, "Downloading version 2.5...",
                                              "Checksum mismatch, the download was deleted: setup.sh"}));
            EXPECT_TRUE(started_.isEmpty());
            EXPECT_FALSE(QFileInfo::exists(target));
            EXPECT_FALSE(view_.stopEnabled);
            EXPECT_EQ(view_.closed, 0);
        }
    }
}

TEST_F(UpdateRunnerTest, DownloadedInstallerIsReallyStarted)
{
    const QString marker = updaterDir_.filePath("installer-ran");
    routes_["/upd/mainappupdate.inf"] =
        HttpResponse::Text(200, Description("APPLICATION", "2.1", "setup.sh", "my setup.sh"));
    routes_["/upd/setup.sh"] = HttpResponse::Text(200, tessaly::test::MarkerScript(marker));
    MakeRunner("A", 2.02f, /*recordStarts=*/false)->Run();
    EXPECT_EQ(view_.log.last(), kCompleted);
    ASSERT_TRUE(tessaly::test::RunUntil([&] { return QFileInfo::exists(marker); }));
    EXPECT_EQ(tessaly::test::ReadFile(marker), "started\n");
}

} // namespace
