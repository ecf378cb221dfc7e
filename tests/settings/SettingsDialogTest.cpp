#include "FSettings.h"
#include "SettingsStore.h"
#include "UUtils.h"

#include "WindowFakes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QValidator>

#include <vector>

using namespace tessaly;
using tessaly::testing::FakeMessageBox;

namespace {

AppSettings Defaults()
{
    AppSettings s;
    s.ExportFolder = GetMyDocumentsFolder();
    return s;
}

struct Enabled {
    bool host, port, auth, user, password, folder, browse;
};

void ExpectEnabled(const TfrmSettings& d, Enabled e, const char* what)
{
    SCOPED_TRACE(what);
    EXPECT_EQ(d.edtHost->isEnabled(), e.host);
    EXPECT_EQ(d.edtPort->isEnabled(), e.port);
    EXPECT_EQ(d.chkAuthentification->isEnabled(), e.auth);
    EXPECT_EQ(d.edtUsername->isEnabled(), e.user);
    EXPECT_EQ(d.edtPassword->isEnabled(), e.password);
    EXPECT_EQ(d.edtFolder->isEnabled(), e.folder);
    EXPECT_EQ(d.btnBrowse->isEnabled(), e.browse);
}

TEST(SettingsDialogTest, CaptionsAndDesignedLook)
{
    AppSettings s = Defaults();
    FakeMessageBox msg;
    TfrmSettings d(s, msg);
    EXPECT_EQ(d.windowTitle(), "Settings");
    EXPECT_FALSE(d.windowFlags() & Qt::WindowCloseButtonHint);
    ASSERT_EQ(d.pageControl->count(), 2);
    EXPECT_EQ(d.pageControl->tabText(0), "Connection");
    EXPECT_EQ(d.pageControl->tabText(1), "Data");
    EXPECT_EQ(d.rbtNoProxy->text(), "Don't use proxy");
    EXPECT_EQ(d.rbtProxy->text(), "Use this proxy:");
    EXPECT_EQ(d.chkAuthentification->text(), "Need Authentication");
    EXPECT_EQ(d.rbtExportManually->text(), "Export results manually");
    EXPECT_EQ(d.rbtExportAutomatic->text(), "Export results automatically to a folder");
    EXPECT_EQ(d.btnBrowse->text(), "Browse");
    EXPECT_EQ(d.btnSave->text(), "Save");
    EXPECT_EQ(d.btnCancel->text(), "Cancel");
    EXPECT_EQ(d.edtPassword->echoMode(), QLineEdit::Password);
    // The port edit takes whole numbers only.
    QString text = "80a";
    int pos = 0;
    EXPECT_EQ(d.edtPort->validator()->validate(text, pos), QValidator::Invalid);
}

struct LoadCase {
    const char* name;
    bool noProxy, useProxy, auth, manual, automatic;
    bool noProxyChecked, proxyChecked, manualChecked, automaticChecked;
    Enabled enabled;
};

TEST(SettingsDialogTest, LoadingAppliesTheEnablingRulesLikeClicks)
{
    const LoadCase cases[] = {
        {"defaults", true, false, false, true, false, true, false, true, false,
         {false, false, false, false, false, false, false}},
        {"proxy without authentication", false, true, false, true, false, false, true, true, false,
         {true, true, true, false, false, false, false}},
        {"proxy with authentication", false, true, true, false, true, false, true, false, true,
         {true, true, true, true, true, true, true}},
        {"both proxy flags: the proxy wins", true, true, true, true, false, false, true, true, false,
         {true, true, true, true, true, false, false}},
        {"authentication without proxy", true, false, true, true, false, true, false, true, false,
         {false, false, false, false, false, false, false}},
        {"neither export flag", true, false, false, false, false, true, false, false, false,
         {false, false, false, false, false, false, false}},
        {"both export flags: automatic wins", true, false, false, true, true, true, false, false, true,
         {false, false, false, false, false, true, true}},
        {"neither proxy flag", false, false, false, true, false, false, false, true, false,
         {false, false, false, false, false, false, false}},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        AppSettings s = Defaults();
        s.NoProxy = c.noProxy;
        s.UseProxy = c.useProxy;
        s.Authentification = c.auth;
        s.ExportManually = c.manual;
        s.ExportAutomatic = c.automatic;
        FakeMessageBox msg;
        TfrmSettings d(s, msg);
        EXPECT_EQ(d.rbtNoProxy->isChecked(), c.noProxyChecked);
        EXPECT_EQ(d.rbtProxy->isChecked(), c.proxyChecked);
        EXPECT_EQ(d.chkAuthentification->isChecked(), c.auth);
        EXPECT_EQ(d.rbtExportManually->isChecked(), c.manualChecked);
        EXPECT_EQ(d.rbtExportAutomatic->isChecked(), c.automaticChecked);
        ExpectEnabled(d, c.enabled, c.name);
    }
}

TEST(SettingsDialogTest, FirstUseShowsTheDocumentsFolderAndDesignedValues)
{
    AppSettings s = Defaults();
    s.Port = "";
    FakeMessageBox msg;
    TfrmSettings d(s, msg);
    EXPECT_EQ(d.edtFolder->text().toStdString(), GetMyDocumentsFolder());
    EXPECT_EQ(d.edtHost->text(), "");
    EXPECT_EQ(d.edtPort->text(), "");
}

TEST(SettingsDialogTest, ClicksFollowTheEnablingRules)
{
    AppSettings s = Defaults();
    FakeMessageBox msg;
    TfrmSettings d(s, msg);

    d.rbtProxy->click();
    ExpectEnabled(d, {true, true, true, false, false, false, false}, "proxy chosen");
    d.chkAuthentification->click();
    ExpectEnabled(d, {true, true, true, true, true, false, false}, "authentication checked");
    d.chkAuthentification->click();
    ExpectEnabled(d, {true, true, true, false, false, false, false}, "authentication unchecked");
    d.chkAuthentification->click();
    d.rbtNoProxy->click();
    EXPECT_FALSE(d.rbtProxy->isChecked());
    ExpectEnabled(d, {false, false, false, false, false, false, false}, "back to no proxy");

    d.rbtExportAutomatic->click();
    EXPECT_FALSE(d.rbtExportManually->isChecked());
    ExpectEnabled(d, {false, false, false, false, false, true, true}, "automatic export");
    d.rbtExportManually->click();
    ExpectEnabled(d, {false, false, false, false, false, false, false}, "manual export");
}

TEST(SettingsDialogTest, SaveRefusesAutomaticExportWithoutAnExistingFolder)
{
    QTemporaryDir existing;
    const QString missing = existing.filePath("gone");
    for (const QString& folder : {QString(), missing, QString("   ")}) {
        SCOPED_TRACE(folder.toStdString());
        AppSettings s = Defaults();
        const AppSettings before = s;
        FakeMessageBox msg;
        TfrmSettings d(s, msg);
        d.rbtExportAutomatic->click();
        d.edtFolder->setText(folder);
        d.edtHost->setText("changed");
        d.btnSaveClick();
        ASSERT_EQ(msg.shown.size(), 1u);
        EXPECT_EQ(msg.shown[0].text, "You can't save your settings because the Export Folder don't exists.");
        EXPECT_EQ(msg.shown[0].kind, IMessageBox::Warning);
        EXPECT_EQ(msg.shown[0].buttons, IMessageBox::Ok);
        EXPECT_EQ(d.result(), QDialog::Rejected);  // not closed with OK
        EXPECT_FALSE(s.ExportAutomatic);
        EXPECT_EQ(s.Host, before.Host);

        // A valid folder lets it close.
        d.edtFolder->setText(existing.path());
        d.btnSaveClick();
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(msg.shown.size(), 1u);
        EXPECT_TRUE(s.ExportAutomatic);
        EXPECT_FALSE(s.ExportManually);
        EXPECT_EQ(s.ExportFolder, existing.path().toStdString());
    }
}

TEST(SettingsDialogTest, SaveCopiesEveryControlDisabledOnesIncluded)
{
    AppSettings s = Defaults();
    FakeMessageBox msg;
    TfrmSettings d(s, msg);
    d.rbtProxy->click();
    d.edtHost->setText("proxy.lan");
    d.edtPort->setText("3128");
    d.chkAuthentification->click();
    d.edtUsername->setText("ann");
    d.edtPassword->setText("pw");
    d.rbtNoProxy->click();  // the typed values stay, now disabled
    d.edtFolder->setText("/no/such/folder/anywhere");  // fine for manual export
    d.btnSave->click();
    EXPECT_TRUE(msg.shown.empty());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_TRUE(s.NoProxy);
    EXPECT_FALSE(s.UseProxy);
    EXPECT_TRUE(s.Authentification);
    EXPECT_EQ(s.Host, "proxy.lan");
    EXPECT_EQ(s.Port, "3128");
    EXPECT_EQ(s.UserName, "ann");
    EXPECT_EQ(s.Password, "pw");
    EXPECT_TRUE(s.ExportManually);
    EXPECT_FALSE(s.ExportAutomatic);
    EXPECT_EQ(s.ExportFolder, "/no/such/folder/anywhere");
}

TEST(SettingsDialogTest, CancelChangesNothing)
{
    AppSettings s = Defaults();
    s.Host = "orig";
    FakeMessageBox msg;
    TfrmSettings d(s, msg);
    d.rbtProxy->click();
    d.edtHost->setText("new");
    d.rbtExportAutomatic->click();
    d.btnCancel->click();
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_FALSE(s.UseProxy);
    EXPECT_TRUE(s.NoProxy);
    EXPECT_EQ(s.Host, "orig");
    EXPECT_TRUE(s.ExportManually);
    EXPECT_FALSE(s.ExportAutomatic);
    EXPECT_TRUE(msg.shown.empty());
}

TEST(SettingsDialogTest, BrowseStartsInTheFolderOrTheDocumentsFolder)
{
    QTemporaryDir existing;
    struct Case {
        QString folderText, expectedStart, answer, expectedText;
    } cases[] = {
        {existing.path(), existing.path(), "/picked", "/picked"},
        {existing.filePath("missing"), QString::fromStdString(GetMyDocumentsFolder()), "/picked",
         "/picked"},
        {QString(), QString::fromStdString(GetMyDocumentsFolder()), QString(), QString()},
        {existing.path(), existing.path(), QString(), existing.path()},  // cancelled
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folderText.toStdString());
        AppSettings s = Defaults();
        s.ExportManually = false;
        s.ExportAutomatic = true;
        FakeMessageBox msg;
        TfrmSettings d(s, msg);
        d.edtFolder->setText(c.folderText);
        QString title, start;
        d.SetFolderChooser([&](QWidget*, const QString& t, const QString& st) {
            title = t;
            start = st;
            return c.answer;
        });
        d.btnBrowse->click();
        EXPECT_EQ(title, "Select folder");
        EXPECT_EQ(start, c.expectedStart);
        EXPECT_EQ(d.edtFolder->text(), c.expectedText);
    }
}

// Presses a button of the modal dialog once it is up.
void PressWhenShown(const char* which)
{
    QTimer::singleShot(0, [which]() {
        auto* d = qobject_cast<TfrmSettings*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->edtHost->setText("from-dialog");
        (QString(which) == "save" ? d->btnSave : d->btnCancel)->click();
    });
}

TEST(RunSettingsDialogTest, SaveWritesTheFileCancelDoesNot)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("settings.dat").toStdString();
    FakeMessageBox msg;
    AppSettings s = Defaults();

    PressWhenShown("cancel");
    EXPECT_FALSE(RunSettingsDialog(nullptr, s, path, msg));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
    EXPECT_EQ(s.Host, "");

    PressWhenShown("save");
    EXPECT_TRUE(RunSettingsDialog(nullptr, s, path, msg));
    EXPECT_EQ(s.Host, "from-dialog");
    AppSettings loaded;
    LoadSettings(loaded, path);
    EXPECT_EQ(loaded.Host, "from-dialog");
    EXPECT_TRUE(msg.shown.empty());
}

TEST(RunSettingsDialogTest, AWriteFailureIsShownAndTheRecordKeepsTheNewValues)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("missing-folder/settings.dat").toStdString();
    FakeMessageBox msg;
    AppSettings s = Defaults();
    PressWhenShown("save");
    EXPECT_FALSE(RunSettingsDialog(nullptr, s, path, msg));
    EXPECT_EQ(s.Host, "from-dialog");
    ASSERT_EQ(msg.shown.size(), 1u);
    EXPECT_TRUE(msg.shown[0].text.contains(QString::fromStdString(path))) << msg.shown[0].text.toStdString();
    EXPECT_EQ(msg.shown[0].kind, IMessageBox::Warning);
}

} // namespace
