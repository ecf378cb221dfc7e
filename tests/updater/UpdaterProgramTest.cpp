#include "FMain.h"
#include "UpdaterTestSupport.h"

#include "LoopbackHttpServer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

using tessaly::HttpRequest;
using tessaly::HttpResponse;
using tessaly::updater::CommandLine;
using tessaly::updater::TfrmMain;

QString UpdaterProgram()
{
    return QString::fromLocal8Bit(qgetenv("TESSALY_BINARY_DIR")) + QStringLiteral("/bin/Updater");
}

class UpdaterProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server_.Listen());
        ASSERT_TRUE(tempRoot_.isValid());
        QApplication::setQuitOnLastWindowClosed(false);
    }

    QString BaseUrl() const { return QString::fromUtf8(server_.BaseUrl() + "/upd/"); }

    // Runs the real program and waits for it to end by itself.
    bool RunProgram(QProcess& process, const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", tempRoot_.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        bool finished = false;
        QObject::connect(&process, &QProcess::finished, [&] { finished = true; });
        process.start(UpdaterProgram(), args);
        if (!process.waitForStarted())
            return false;
        // The server shares this thread, so the wait keeps the event loop running.
        return tessaly::test::RunUntil([&] { return finished; });
    }

    std::map<QByteArray, HttpResponse> routes_;
    std::function<void(const HttpRequest&)> onRequest_;
    tessaly::LoopbackHttpServer server_{[this](const HttpRequest& r) {
        if (onRequest_)
            onRequest_(r);
        const auto it = routes_.find(r.path);
        return it == routes_.end() ? HttpResponse::Text(404, "missing") : it->second;
    }};
    QTemporaryDir tempRoot_;
};

TEST_F(UpdaterProgramTest, IncompleteCommandLineEndsAtOnceWithoutNetwork)
{
    routes_["/upd/mainappupdate.inf"] = HttpResponse::Text(200, "[APPLICATION]\nVersion=9\n");
    const QStringList cases[] = {
        {},
        {BaseUrl()},
        {BaseUrl(), "2.02"},
        {BaseUrl(), "", "A"},
        {"", "2.02", "A"},
        {BaseUrl(), "2.02", ""},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess process;
        ASSERT_TRUE(RunProgram(process, args));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
    }
    // Let any connection attempt reach the server before looking.
    QCoreApplication::processEvents();
    EXPECT_TRUE(server_.Requests().isEmpty());
}

TEST_F(UpdaterProgramTest, WholeRunStartsTheInstallerAndEnds)
{
    const QString marker = tempRoot_.filePath("installer-ran");
    routes_["/upd/mainappupdate.inf"] =
        HttpResponse::Text(200, "[APPLICATION]\r\nName=Tessaly\r\nVersion=2.1\r\nSourcePath=dl\\setup.sh\r\n"
                                "TargetPath=setup.sh\r\n");
    routes_["/upd/dl/setup.sh"] = HttpResponse::Text(200, tessaly::test::MarkerScript(marker));
    QProcess process;
    ASSERT_TRUE(RunProgram(process, {BaseUrl(), "2.02", "A"}));
    EXPECT_EQ(process.exitCode(), 0);
    ASSERT_TRUE(tessaly::test::RunUntil([&] { return QFileInfo::exists(marker); }));
    ASSERT_EQ(server_.Requests().size(), 2);
    EXPECT_EQ(server_.Requests()[1].path, "/upd/dl/setup.sh");
}

class UpdaterWindowTest : public UpdaterProgramTest {
protected:
    // Shows the window and waits for its first timer tick to finish.
    void ShowAndRun(TfrmMain& window)
    {
        bool done = false;
        QObject::connect(&window, &TfrmMain::Timer1Done, [&] { done = true; });
        window.show();
        ASSERT_TRUE(tessaly::test::RunUntil([&] { return done; }));
    }
    QTemporaryDir updaterDir_;
};

TEST_F(UpdaterWindowTest, DesignedState)
{
    TfrmMain window(CommandLine{BaseUrl(), 2.02f, "x"}, updaterDir_.path());
    EXPECT_EQ(window.windowTitle(), "Live Update");
    EXPECT_EQ(window.btnStop()->text(), "Stop");
    EXPECT_EQ(window.btnClose()->text(), "Close");
    EXPECT_TRUE(window.memLog()->isReadOnly());
    EXPECT_EQ(window.MainGauge()->minimum(), 0);
    EXPECT_EQ(window.MainGauge()->maximum(), 100);
    EXPECT_EQ(window.MainGauge()->value(), 0);
}

TEST_F(UpdaterWindowTest, UnknownKindStaysOpenWithAnEmptyLog)
{
    routes_["/upd/mainappupdate.inf"] = HttpResponse::Text(200, "[APPLICATION]\nVersion=9\n");
    routes_["/upd/quorinupdate.inf"] = HttpResponse::Text(200, "[QUORIN]\nVersion=9\n");
    for (const char* kind : {"a", "b", "Z"}) {
        SCOPED_TRACE(kind);
        TfrmMain window(CommandLine{BaseUrl(), 2.02f, kind}, updaterDir_.path());
        ShowAndRun(window);
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(window.memLog()->toPlainText().isEmpty());
        EXPECT_TRUE(window.btnStop()->isEnabled());
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(server_.Requests().isEmpty());
}

TEST_F(UpdaterWindowTest, NoUpdateDisablesStop)
{
    routes_["/upd/quorinupdate.inf"] = HttpResponse::Text(200, "[QUORIN]\nVersion=2.02\n");
    TfrmMain window(CommandLine{BaseUrl(), 2.02f, "B"}, updaterDir_.path());
    ShowAndRun(window);
    EXPECT_EQ(window.memLog()->toPlainText(), "Checking updates...\nThere are no updates for this product!");
    EXPECT_FALSE(window.btnStop()->isEnabled());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(UpdaterWindowTest, StopAndCloseButtonsDuringTheFirstFetch)
{
    HttpResponse slow = HttpResponse::Text(200, "[APPLICATION]\nVersion=9\n" + QByteArray(64 * 1024, ';'));
    slow.chunkDelayMs = 5;
    routes_["/upd/mainappupdate.inf"] = slow;
    struct Case {
        const char* name;
        bool pressClose;
        QString log;
    };
    const Case cases[] = {
        {"Stop", false, "Checking updates...\nUpdate stopped by user!"},
        {"Close", true, "Checking updates..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TfrmMain window(CommandLine{BaseUrl(), 2.02f, "A"}, updaterDir_.path());
        QPushButton* button = c.pressClose ? window.btnClose() : window.btnStop();
        // Press the button as soon as the request has reached the server.
        onRequest_ = [button](const HttpRequest&) {
            QTimer::singleShot(0, button, [button] { button->click(); });
        };
        ShowAndRun(window);
        onRequest_ = nullptr;
        EXPECT_EQ(window.memLog()->toPlainText(), c.log);
        EXPECT_FALSE(window.btnStop()->isEnabled());
        EXPECT_EQ(window.isVisible(), !c.pressClose);
    }
}

} // namespace
