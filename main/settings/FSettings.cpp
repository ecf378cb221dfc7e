#include "FSettings.h"

#include "SettingsStore.h"
#include "UUtils.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tessaly {

const char* const TfrmSettings::kMissingFolderText =
    "You can't save your settings because the Export Folder don't exists.";

namespace {

QString DefaultChooseFolder(QWidget* parent, const QString& title, const QString& start)
{
    return QFileDialog::getExistingDirectory(parent, title, start);
}

bool NamesExistingFolder(const QString& text)
{
    return !text.isEmpty() && QFileInfo(text).isDir();
}

} // namespace

TfrmSettings::TfrmSettings(AppSettings& settings, IMessageBox& messages, QWidget* parent)
    : QDialog(parent), settings_(settings), messages_(messages), chooseFolder_(DefaultChooseFolder)
{
    // A dialog that only its two buttons close: no close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(QStringLiteral("Settings"));
    BuildControls();
    FormCreate();
}

void TfrmSettings::BuildControls()
{
    pageControl = new QTabWidget(this);

    // Connection tab.
    auto* connection = new QWidget;
    rbtNoProxy = new QRadioButton(QStringLiteral("Don't use proxy"));
    rbtProxy = new QRadioButton(QStringLiteral("Use this proxy:"));
    proxyGroup_ = new QButtonGroup(this);
    proxyGroup_->addButton(rbtNoProxy);
    proxyGroup_->addButton(rbtProxy);
    edtHost = new QLineEdit;
    edtPort = new QLineEdit(QStringLiteral("80"));
    edtPort->setValidator(new QIntValidator(0, 65535, edtPort));
    chkAuthentification = new QCheckBox(QStringLiteral("Need Authentication"));
    edtUsername = new QLineEdit;
    edtPassword = new QLineEdit;
    edtPassword->setEchoMode(QLineEdit::Password);

    auto* proxyForm = new QFormLayout;
    proxyForm->addRow(QStringLiteral("Host:"), edtHost);
    proxyForm->addRow(QStringLiteral("Port:"), edtPort);
    auto* credentialsForm = new QFormLayout;
    credentialsForm->addRow(QStringLiteral("Username:"), edtUsername);
    credentialsForm->addRow(QStringLiteral("Password:"), edtPassword);
    auto* connectionLayout = new QVBoxLayout(connection);
    connectionLayout->addWidget(rbtNoProxy);
    connectionLayout->addWidget(rbtProxy);
    connectionLayout->addLayout(proxyForm);
    connectionLayout->addWidget(chkAuthentification);
    connectionLayout->addLayout(credentialsForm);
    connectionLayout->addStretch();

    // Data tab.
    auto* data = new QWidget;
    rbtExportManually = new QRadioButton(QStringLiteral("Export results manually"));
    rbtExportAutomatic = new QRadioButton(QStringLiteral("Export results automatically to a folder"));
    exportGroup_ = new QButtonGroup(this);
    exportGroup_->addButton(rbtExportManually);
    exportGroup_->addButton(rbtExportAutomatic);
    edtFolder = new QLineEdit;
    btnBrowse = new QPushButton(QStringLiteral("Browse"));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(edtFolder, 1);
    folderRow->addWidget(btnBrowse);
    auto* dataLayout = new QVBoxLayout(data);
    dataLayout->addWidget(rbtExportManually);
    dataLayout->addWidget(rbtExportAutomatic);
    dataLayout->addLayout(folderRow);
    dataLayout->addStretch();

    pageControl->addTab(connection, QStringLiteral("Connection"));
    pageControl->addTab(data, QStringLiteral("Data"));

    btnSave = new QPushButton(QStringLiteral("Save"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pageControl);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    edtFolder->setMinimumWidth(320);

    // Designed states, before any value is loaded.
    rbtNoProxy->setChecked(true);
    for (QWidget* w : std::initializer_list<QWidget*>{edtHost, edtPort, chkAuthentification, edtUsername,
                                                     edtPassword, edtFolder, btnBrowse})
        w->setEnabled(false);
    rbtExportManually->setChecked(true);

    connect(rbtNoProxy, &QRadioButton::clicked, this, &TfrmSettings::rbtNoProxyClick);
    connect(rbtProxy, &QRadioButton::clicked, this, &TfrmSettings::rbtProxyClick);
    connect(chkAuthentification, &QCheckBox::clicked, this, &TfrmSettings::chkAuthentificationClick);
    connect(rbtExportManually, &QRadioButton::clicked, this, &TfrmSettings::rbtExportManuallyClick);
    connect(rbtExportAutomatic, &QRadioButton::clicked, this, &TfrmSettings::rbtExportAutomaticClick);
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmSettings::btnBrowseClick);
    connect(btnSave, &QPushButton::clicked, this, &TfrmSettings::btnSaveClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmSettings::btnCancelClick);
}

void TfrmSettings::SetRadio(QRadioButton* radio, QButtonGroup* group, bool checked,
                            void (TfrmSettings::*handler)())
{
    if (checked) {
        radio->setChecked(true);
        (this->*handler)();
        return;
    }
    // An exclusive group refuses to uncheck its checked button; a file may
    // still ask for neither choice of a group.
    group->setExclusive(false);
    radio->setChecked(false);
    group->setExclusive(true);
}

void TfrmSettings::SetCheck(QCheckBox* box, bool checked, void (TfrmSettings::*handler)())
{
    box->setChecked(checked);
    (this->*handler)();
}

void TfrmSettings::FormCreate()
{
    SetRadio(rbtNoProxy, proxyGroup_, settings_.NoProxy, &TfrmSettings::rbtNoProxyClick);
    SetRadio(rbtProxy, proxyGroup_, settings_.UseProxy, &TfrmSettings::rbtProxyClick);
    SetCheck(chkAuthentification, settings_.Authentification, &TfrmSettings::chkAuthentificationClick);
    edtHost->setText(QString::fromStdString(settings_.Host));
    edtPort->setText(QString::fromStdString(settings_.Port));
    edtUsername->setText(QString::fromStdString(settings_.UserName));
    edtPassword->setText(QString::fromStdString(settings_.Password));
    SetRadio(rbtExportManually, exportGroup_, settings_.ExportManually, &TfrmSettings::rbtExportManuallyClick);
    SetRadio(rbtExportAutomatic, exportGroup_, settings_.ExportAutomatic, &TfrmSettings::rbtExportAutomaticClick);
    edtFolder->setText(QString::fromStdString(settings_.ExportFolder));
}

void TfrmSettings::ApplyProxyRule()
{
    const bool proxy = rbtProxy->isChecked();
    edtHost->setEnabled(proxy);
    edtPort->setEnabled(proxy);
    chkAuthentification->setEnabled(proxy);
    ApplyCredentialsRule();
}

void TfrmSettings::ApplyCredentialsRule()
{
    const bool credentials = rbtProxy->isChecked() && chkAuthentification->isChecked();
    edtUsername->setEnabled(credentials);
    edtPassword->setEnabled(credentials);
}

void TfrmSettings::ApplyFolderRule()
{
    const bool folder = !rbtExportManually->isChecked();
    edtFolder->setEnabled(folder);
    btnBrowse->setEnabled(folder);
}

void TfrmSettings::rbtNoProxyClick() { ApplyProxyRule(); }
void TfrmSettings::rbtProxyClick() { ApplyProxyRule(); }
void TfrmSettings::chkAuthentificationClick() { ApplyCredentialsRule(); }
void TfrmSettings::rbtExportManuallyClick() { ApplyFolderRule(); }
void TfrmSettings::rbtExportAutomaticClick() { ApplyFolderRule(); }

void TfrmSettings::btnBrowseClick()
{
    QString start = edtFolder->text();
    if (!NamesExistingFolder(start)) {
        try {
            start = QString::fromStdString(GetMyDocumentsFolder());
        } catch (const std::exception&) {
            // Without a documents folder the dialog opens where it likes.
            start.clear();
        }
    }
    const QString chosen = chooseFolder_(this, QStringLiteral("Select folder"), start);
    if (!chosen.isEmpty())
        edtFolder->setText(chosen);
}

void TfrmSettings::btnSaveClick()
{
    if (!NamesExistingFolder(edtFolder->text()) && rbtExportAutomatic->isChecked()) {
        messages_.Show(QString::fromUtf8(kMissingFolderText), IMessageBox::Warning, IMessageBox::Ok);
        return;
    }
    settings_.NoProxy = rbtNoProxy->isChecked();
    settings_.UseProxy = rbtProxy->isChecked();
    settings_.Authentification = chkAuthentification->isChecked();
    settings_.Host = edtHost->text().toStdString();
    settings_.Port = edtPort->text().toStdString();
    settings_.UserName = edtUsername->text().toStdString();
    settings_.Password = edtPassword->text().toStdString();
    settings_.ExportManually = rbtExportManually->isChecked();
    settings_.ExportAutomatic = rbtExportAutomatic->isChecked();
    settings_.ExportFolder = edtFolder->text().toStdString();
    accept();
}

void TfrmSettings::btnCancelClick() { reject(); }

void TfrmSettings::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the screen rather than on the main window.
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

bool RunSettingsDialog(QWidget* parent, AppSettings& settings, const std::string& path, IMessageBox& messages)
{
    TfrmSettings dialog(settings, messages, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    QString reason;
    if (SaveSettings(settings, path, &reason))
        return true;
    messages.Show(QStringLiteral("The settings could not be saved to %1: %2")
                      .arg(QDir::toNativeSeparators(QString::fromStdString(path)), reason),
                  IMessageBox::Warning, IMessageBox::Ok);
    return false;
}

} // namespace tessaly
