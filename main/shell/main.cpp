// TessalyMain: the lead harvester's window.
#include "FMain.h"

#include <QApplication>

#include <unistd.h>

int main(int argc, char** argv)
{
    // Chromium refuses its sandbox for root; the embedded browser would not
    // start at all.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    tessaly::TfrmMain window;
    window.show();
    return app.exec();
}
