// TessalyMain: the lead harvester's window.
#include "FMain.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMessageBox>

#include <exception>

#include <unistd.h>

namespace {

// The application's one error report: an error that escapes any handler is
// caught here, at the edge of the event loop, and shown; the program goes on.
class TessalyApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            Report(QString::fromStdString(e.what()));
        } catch (...) {
            Report(QStringLiteral("Unknown error"));
        }
        return false;
    }

private:
    static void Report(const QString& message)
    {
        QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("Tessaly"), message);
    }
};

} // namespace

int main(int argc, char** argv)
{
    // Chromium refuses its sandbox for root; the embedded browser would not
    // start at all.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The web engine describes its GL set-up on every start; users need not.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    TessalyApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    tessaly::TfrmMain window;
    window.show();
    return app.exec();
}
