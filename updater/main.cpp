// Updater: fetches a newer version of a product from the update server and
// starts its installer. Command line: <UpdateBaseUrl> <InstalledVersion> <UpdateKind>.

#include "FMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // An incomplete command line ends the program before anything else, also
    // before a display is needed, and without any network access.
    QStringList rawArgs;
    for (int i = 1; i < argc; ++i)
        rawArgs << QString::fromLocal8Bit(argv[i]);
    if (!tessaly::updater::ParseCommandLine(rawArgs))
        return 0;

    QApplication app(argc, argv);
    // Again without the options Qt itself takes (-platform and the like).
    const std::optional<tessaly::updater::CommandLine> commandLine =
        tessaly::updater::ParseCommandLine(QApplication::arguments().mid(1));
    if (!commandLine)
        return 0;
    tessaly::updater::TfrmMain window(*commandLine, QApplication::applicationDirPath());
    window.show();
    return app.exec();
}
