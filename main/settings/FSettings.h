#pragma once
// The settings dialog: proxy use and credentials on one tab, the export mode
// and folder on the other. It edits the in-memory record only; writing the
// file is left to the caller (RunSettingsDialog).

#include "AppSettings.h"
#include "WindowHost.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace tessaly {

class TfrmSettings : public QDialog {
    Q_OBJECT
public:
    // Asks for a folder: (parent, title, start folder) -> chosen folder, or
    // empty when the user cancelled.
    using FolderChooser = std::function<QString(QWidget*, const QString&, const QString&)>;

    TfrmSettings(AppSettings& settings, IMessageBox& messages, QWidget* parent = nullptr);

    // Replaces the folder dialog (tests answer it).
    void SetFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }

    // The handlers, callable as a click would call them.
    void rbtNoProxyClick();
    void rbtProxyClick();
    void chkAuthentificationClick();
    void rbtExportManuallyClick();
    void rbtExportAutomaticClick();
    void btnBrowseClick();
    void btnSaveClick();
    void btnCancelClick();

    QTabWidget* pageControl = nullptr;
    QRadioButton* rbtNoProxy = nullptr;
    QRadioButton* rbtProxy = nullptr;
    QLineEdit* edtHost = nullptr;
    QLineEdit* edtPort = nullptr;
    QCheckBox* chkAuthentification = nullptr;
    QLineEdit* edtUsername = nullptr;
    QLineEdit* edtPassword = nullptr;
    QRadioButton* rbtExportManually = nullptr;
    QRadioButton* rbtExportAutomatic = nullptr;
    QLineEdit* edtFolder = nullptr;
    QPushButton* btnBrowse = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnCancel = nullptr;

    static const char* const kMissingFolderText;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void FormCreate();
    void ApplyProxyRule();
    void ApplyCredentialsRule();
    void ApplyFolderRule();
    // Loading a value into a check control behaves like the controls the
    // dialog was designed with: a radio button set to true unchecks its group
    // and runs its click handler, set to false runs nothing; a check box runs
    // its handler either way.
    void SetRadio(QRadioButton* radio, QButtonGroup* group, bool checked, void (TfrmSettings::*handler)());
    void SetCheck(QCheckBox* box, bool checked, void (TfrmSettings::*handler)());

    AppSettings& settings_;
    IMessageBox& messages_;
    QButtonGroup* proxyGroup_ = nullptr;
    QButtonGroup* exportGroup_ = nullptr;
    FolderChooser chooseFolder_;
};

// Runs the dialog modally on `settings`; when it closes with Save, writes
// the file at `path`. A write failure is shown with `messages` as a warning
// naming the file and the reason; the record keeps the new values.
// Returns true when the settings were saved to the file.
bool RunSettingsDialog(QWidget* parent, AppSettings& settings, const std::string& path, IMessageBox& messages);

} // namespace tessaly
