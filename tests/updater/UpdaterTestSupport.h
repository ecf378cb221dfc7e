#pragma once
// Helpers shared by the Updater's tests.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <functional>

namespace tessaly::test {

// Runs the event loop until done() holds or a generous limit passes; the
// limit only keeps a broken run from hanging the suite. Returns done().
inline bool RunUntil(const std::function<bool()>& done, int limitMs = 30000)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(10);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

inline bool WriteFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(content) == content.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An installer stand-in: a shell script that leaves a marker file.
inline QByteArray MarkerScript(const QString& marker)
{
    return "#!/bin/sh\necho started > \"" + marker.toUtf8() + ".partial\" && mv \"" + marker.toUtf8()
        + ".partial\" \"" + marker.toUtf8() + "\"\n";
}

inline QStringList Entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

} // namespace tessaly::test
