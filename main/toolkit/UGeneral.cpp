#include "UGeneral.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>
#include <QTimer>

namespace tessaly {

void SplitByString(std::string_view separator, std::string_view text, StringList& list)
{
    list.clear();
    if (separator.empty()) {
        list.emplace_back(text);
        return;
    }
    std::size_t start = 0;
    for (std::size_t p = text.find(separator); p != std::string_view::npos; p = text.find(separator, start)) {
        list.emplace_back(text.substr(start, p - start));
        start = p + separator.size();
    }
    list.emplace_back(text.substr(start));
}

namespace {

QString ExecutablePath(const QString& program)
{
    if (program.isEmpty())
        return {};
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(program);
}

// The program a browser command names, as an executable path; empty when it
// names none. The whole entry is tried first (a path may hold spaces), then
// its first word: a command's options and its "%s" placeholder are not used,
// the URL is always the one argument.
QString ResolveProgram(const QString& command)
{
    if (const QString whole = ExecutablePath(command); !whole.isEmpty())
        return whole;
    return ExecutablePath(command.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty));
}

// $BROWSER (a colon-separated list, first usable entry wins), else xdg-open.
QString FindBrowserProgram()
{
    const QString browser = qEnvironmentVariable("BROWSER");
    for (const QString& entry : browser.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString program = ResolveProgram(entry.trimmed());
        if (!program.isEmpty())
            return program;
    }
    return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
}

} // namespace

// Never through a shell: the URL reaches the browser as one argument, byte
// for byte. Whether the browser then starts is not looked at.
bool OpenUrlInBrowser(const std::string& url)
{
    const QString program = FindBrowserProgram();
    if (program.isEmpty())
        return false;
    QProcess::startDetached(program, {QString::fromStdString(url)});
    return true;
}

void WaitMs(int ms)
{
    if (!QCoreApplication::instance()) {
        // No event loop to keep alive: a plain sleep is the same wait.
        if (ms > 0)
            QThread::msleep(static_cast<unsigned long>(ms));
        return;
    }
    QElapsedTimer clock;
    clock.start();
    QCoreApplication::processEvents();
    // A local loop sleeps in the event dispatcher until the timer or another
    // event wakes it; a loop that returns early (an outer quit) is restarted
    // for the time that is left.
    for (qint64 left = ms - clock.elapsed(); left > 0; left = ms - clock.elapsed()) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(left));
        loop.exec();
    }
}

} // namespace tessaly
