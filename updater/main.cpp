// Updater: fetches a newer version of a product from the update server and
// starts its installer. Command line: <UpdateBaseUrl> <InstalledVersion> <UpdateKind>.

#include "FMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const std::optional<tessaly::updater::CommandLine> commandLine =
        tessaly::updater::ParseCommandLine(QApplication::arguments().mid(1));
    // An incomplete command line ends the program before any network access.
    if (!commandLine)
        return 0;
    tessaly::updater::TfrmMain window(*commandLine, QApplication::applicationDirPath());
    window.show();
    return app.exec();
}
