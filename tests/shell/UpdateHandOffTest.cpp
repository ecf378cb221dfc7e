// The whole update path: the main window finds 2.1 on a local update server,
// the user accepts twice, the real Updater beside it downloads the offered
// program, checks its hash, starts it, and the program leaves a marker.
#include "FMain.h"
#include "LoopbackHttpServer.h"
#include "MessageBox.h"
#include "WaitFor.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tessaly;
using tessaly::testing::WaitFor;

namespace {

TEST(UpdateHandOff, AcceptingTwiceStartsUpdaterWhichStartsTheDownloadedProgram)
{
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    ASSERT_TRUE(QFileInfo::exists(QCoreApplication::applicationDirPath() + "/Updater"))
        << "Updater must be built beside the test";
    const QString marker = scratch.filePath("installed.txt");
    const QByteArray installer = "#!/bin/sh\necho \"$0\" > '" + marker.toUtf8() + "'\n";
    const QByteArray hash = QCryptographicHash::hash(installer, QCryptographicHash::Sha256).toHex();
    const QByteArray description = "[APPLICATION]\r\nName=Tessaly\r\nVersion=2.1\r\n"
                                   "SourcePath=releases\\2.1\\install.sh\r\nTargetPath=install.sh\r\nSHA256=" +
                                   hash + "\r\n";
    LoopbackHttpServer server([&](const HttpRequest& request) {
        if (request.path == "/tessaly/mainappupdate.inf")
            return HttpResponse::Text(200, description, "text/plain");
        if (request.path == "/tessaly/releases/2.1/install.sh")
            return HttpResponse::Text(200, installer, "application/octet-stream");
        return HttpResponse::Text(404, "missing");
    });
    ASSERT_TRUE(server.Listen());
    qputenv("TESSALY_UPDATE_URL", server.BaseUrl() + "/tessaly/");
    qputenv("TESSALY_SETTINGS_DIR", scratch.path().toUtf8());

    TfrmMain window;
    window.show();
    // The silent start-up check finds 2.1 too; decline it, then ask again.
    MessageBox::SetNextAnswer(IMessageBox::AnswerCancel);
    ASSERT_TRUE(WaitFor([&] { return !MessageBox::TakeShownTexts().isEmpty(); }, 10000));
    MessageBox::SetNextAnswer(IMessageBox::AnswerOk);
    MessageBox::SetNextAnswer(IMessageBox::AnswerOk);
    window.btnUpdates->click();
    const QStringList asked = MessageBox::TakeShownTexts();
    ASSERT_EQ(asked.size(), 2) << asked.join(" | ").toStdString();
    EXPECT_EQ(asked[0], "There is a new update: (version 2.1) available for your application!. Do you want download this "
                        "update now?");
    EXPECT_FALSE(window.isVisible()) << "the main window closes for the update";

    ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(marker); }, 30000)) << "the installer never ran";
    QFile file(marker);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().trimmed().endsWith("/install.sh"));
}

} // namespace
