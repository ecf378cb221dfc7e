// tessaly-sample-sites [--port N] [--root DIR]
// Serves the sample sites on 127.0.0.1 until interrupted.
#include "SampleSites.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>

using namespace tessaly::samplesites;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaly-sample-sites"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Serves the Tessaly sample sites on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port to listen on (0: any free port)."),
                                        QStringLiteral("N"), QStringLiteral("8780"));
    const QCommandLineOption rootOption(QStringLiteral("root"), QStringLiteral("Folder of the sample pages."),
                                        QStringLiteral("DIR"), DefaultSamplesRoot());
    parser.addOption(portOption);
    parser.addOption(rootOption);
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        std::fprintf(stderr, "tessaly-sample-sites: --port needs a number from 0 to 65535\n");
        return 2;
    }
    const QString root = parser.value(rootOption);
    if (!QDir(root).exists()) {
        std::fprintf(stderr, "tessaly-sample-sites: no sample folder at %s\n", qPrintable(root));
        return 2;
    }

    SampleSiteServer server(root);
    if (!server.Listen(quint16(port))) {
        std::fprintf(stderr, "tessaly-sample-sites: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    const QByteArray base = server.BaseUrl();
    std::printf("Sample sites on %s/ (pages from %s)\n", base.constData(), qPrintable(QDir(root).absolutePath()));
    const char* const labels[4] = {"Craigslist", "Backpage", "Kijiji", "Bakeca"};
    for (std::size_t i = 0; i < kSampleSites.size(); ++i)
        std::printf("  %-10s %s%s\n", labels[i], base.constData(), kSampleSites[i].firstListing);
    std::fflush(stdout);
    return app.exec();
}
