// Desktop helpers: waiting with a live event loop, the default browser, the
// documents folder.
#include "UGeneral.h"
#include "UUtils.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <ctime>
#include <map>
#include <optional>

using namespace tessaly;

namespace {

// Sets environment variables for one test and puts the old values back.
class EnvGuard {
public:
    ~EnvGuard()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                qputenv(name.c_str(), *value);
            else
                qunsetenv(name.c_str());
        }
    }
    void Set(const char* name, const QByteArray& value)
    {
        if (!saved_.count(name))
            saved_[name] = qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt;
        qputenv(name, value);
    }

private:
    std::map<std::string, std::optional<QByteArray>> saved_;
};

// A stand-in browser: writes its argument count and each argument on a line
// of its own into `record`.
QString WriteRecordingScript(const QString& path, const QString& record)
{
    QFile script(path);
    EXPECT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n"
                 "{ printf '%s\\n' \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" +
                 record.toUtf8() + ".tmp'\n/bin/mv '" + record.toUtf8() + ".tmp' '" + record.toUtf8() + "'\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// Waits (pumping events) until the file exists, up to 20 s.
QByteArray AwaitFile(const QString& path)
{
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(path) && clock.elapsed() < 20000)
        WaitMs(20);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

double ProcessCpuMs() { return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

} // namespace

// ---- WaitMs --------------------------------------------------------------------

TEST(WaitMs, ZeroAndNegativePumpOnceAndReturn)
{
    for (int ms : {0, -5}) {
        bool ran = false;
        QTimer::singleShot(0, qApp, [&] { ran = true; });
        QElapsedTimer clock;
        clock.start();
        WaitMs(ms);
        EXPECT_TRUE(ran) << ms;
        EXPECT_LT(clock.elapsed(), 1000) << ms;
    }
}

TEST(WaitMs, WaitsAtLeastTheTimeAndKeepsEventsFlowing)
{
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    bool stopRequested = false;
    QTimer::singleShot(100, qApp, [&] { stopRequested = true; });

    QElapsedTimer clock;
    clock.start();
    WaitMs(400);
    EXPECT_GE(clock.elapsed(), 400);
    EXPECT_TRUE(stopRequested);
    EXPECT_GE(ticks, 5);
}

// The wait sleeps in the event dispatcher instead of spinning.
TEST(WaitMs, LeavesTheCpuIdle)
{
    const double cpuBefore = ProcessCpuMs();
    WaitMs(500);
    EXPECT_LT(ProcessCpuMs() - cpuBefore, 150.0);
}

TEST(WaitMs, OuterQuitDoesNotShortenTheWait)
{
    QTimer::singleShot(50, qApp, [] { QCoreApplication::exit(0); });
    QElapsedTimer clock;
    clock.start();
    WaitMs(300);
    EXPECT_GE(clock.elapsed(), 300);
}

// ---- OpenUrlInBrowser ----------------------------------------------------------

TEST(OpenUrlInBrowser, BrowserVariableGetsTheUrlAsOneArgumentWithoutAShell)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString record = dir.filePath("args.txt");
    const QString script = WriteRecordingScript(dir.filePath("fake browser"), record);
    // Spaces, quotes, ';', '&', '$(...)', back-quotes and a '*' would all be
    // taken apart or run by a shell.
    const std::string url = "http://example.com/a b?q=\"x\"&r='y';touch " + dir.filePath("pwned").toStdString() +
                            ";$(touch " + dir.filePath("pwned2").toStdString() + ")`id` *";

    EnvGuard env;
    env.Set("BROWSER", script.toUtf8());
    EXPECT_TRUE(OpenUrlInBrowser(url));
    EXPECT_EQ(AwaitFile(record).toStdString(), "1\n" + url + "\n");
    EXPECT_FALSE(QFile::exists(dir.filePath("pwned")));
    EXPECT_FALSE(QFile::exists(dir.filePath("pwned2")));
}

TEST(OpenUrlInBrowser, FirstUsableEntryOfTheBrowserListWins)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString record = dir.filePath("args.txt");
    WriteRecordingScript(dir.filePath("stand-in"), record);

    EnvGuard env;
    env.Set("PATH", dir.path().toUtf8());
    // The options and the "%s" placeholder of an entry are not passed on.
    env.Set("BROWSER", "no-such-browser-here:stand-in --new-window %s:/bin/false");
    EXPECT_TRUE(OpenUrlInBrowser("http://example.com/"));
    EXPECT_EQ(AwaitFile(record).toStdString(), "1\nhttp://example.com/\n");
}

TEST(OpenUrlInBrowser, XdgOpenFromPathWhenNoBrowserVariable)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString record = dir.filePath("args.txt");
    WriteRecordingScript(dir.filePath("xdg-open"), record);

    EnvGuard env;
    env.Set("PATH", dir.path().toUtf8());
    env.Set("BROWSER", "");
    EXPECT_TRUE(OpenUrlInBrowser("https://example.org/x?y=1"));
    EXPECT_EQ(AwaitFile(record).toStdString(), "1\nhttps://example.org/x?y=1\n");
}

TEST(OpenUrlInBrowser, NoBrowserCommandGivesFalse)
{
    QTemporaryDir emptyDir;
    ASSERT_TRUE(emptyDir.isValid());
    EnvGuard env;
    env.Set("BROWSER", "");
    env.Set("PATH", "");
    EXPECT_FALSE(OpenUrlInBrowser("http://example.com/"));

    env.Set("PATH", emptyDir.path().toUtf8());
    env.Set("BROWSER", "no-such-browser-here:" + emptyDir.filePath("missing").toUtf8());
    EXPECT_FALSE(OpenUrlInBrowser("http://example.com/"));
}

// ---- GetMyDocumentsFolder -------------------------------------------------------

TEST(GetMyDocumentsFolder, IsTheDocumentsLocation)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    EnvGuard env;
    env.Set("HOME", home.path().toUtf8());
    env.Set("XDG_CONFIG_HOME", home.filePath(".config").toUtf8());
    const std::string folder = GetMyDocumentsFolder();
    EXPECT_EQ(folder, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString());
    EXPECT_EQ(folder, home.filePath("Documents").toStdString());
}

TEST(GetMyDocumentsFolder, EmptyLocationFails)
{
    try {
        detail::DocumentsFolderOrThrow(QString());
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Could not find MyDocuments folder location.");
    }
    EXPECT_EQ(detail::DocumentsFolderOrThrow(QStringLiteral("/home/u/Dokumente")), "/home/u/Dokumente");
}
