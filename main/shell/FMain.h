#pragma once
// The main window: site and interval selection, the embedded browser with its
// bar, the results list with its commands, and the status bar. The work
// behind the controls lives in the core; this class wires and paints.

#include "BrowserView.h"
#include "HarvestController.h"
#include "HarvestHost.h"
#include "HarvestSession.h"
#include "LeadIntake.h"
#include "MessageBox.h"

#include <QDateEdit>
#include <QMainWindow>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTableView;
class QToolButton;

namespace tessaly {

class AutoExportWriter;
class HttpFetcher;
class ResultsModel;

// A date field that may be empty; an empty field reads as today.
class DateField : public QDateEdit {
    Q_OBJECT
public:
    explicit DateField(QWidget* parent = nullptr);
    QDate DateOrToday() const;
    bool IsEmpty() const;
    void SetDate(const QDate& date) { setDate(date); }
};

// "http://www.craigslist.org (International)" -> "http://www.craigslist.org"
std::string SiteHomeUrl(const std::string& entryText);

class TfrmMain : public QMainWindow, public IHarvestWindow, public IIntakeHost, public IPump {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Controls, named as the rest of the program knows them.
    QComboBox* cbxSite = nullptr;
    QComboBox* cbxInterval = nullptr;
    DateField* edtStart = nullptr;
    DateField* edtEnd = nullptr;
    QPushButton* btnGetData = nullptr;
    QPushButton* btnStop = nullptr;
    QPushButton* btnSettings = nullptr;
    QPushButton* btnUpdates = nullptr;
    QPushButton* btnAbout = nullptr;
    QToolButton* btnBrowserHome = nullptr;
    QToolButton* btnBrowserBack = nullptr;
    QToolButton* btnBrowserFoward = nullptr;
    QToolButton* btnBrowserStop = nullptr;
    QToolButton* btnBrowserRefresh = nullptr;
    QLineEdit* edtAddress = nullptr;
    QPushButton* btnGo = nullptr;
    BrowserView* EmbeddedWB1 = nullptr;
    QSplitter* splitter = nullptr;
    QTableView* lvwItems = nullptr;
    QPushButton* btnSelectAll = nullptr;
    QPushButton* btnClearSelection = nullptr;
    QPushButton* btnDeleteSelected = nullptr;
    QPushButton* btnDeleteAll = nullptr;
    QPushButton* btnExport = nullptr;
    QPushButton* btnOpenDetails = nullptr;
    QLabel* MainStatusPanel = nullptr;
    QLabel* stMode = nullptr;
    QLabel* spExported = nullptr;
    QLabel* panSecondary = nullptr;
    QProgressBar* MainGauge = nullptr;
    QTimer* tmrStartup = nullptr;

    HarvestSession& Session() { return session_; }
    HarvestController& Controller() { return *controller_; }
    ResultsModel& Results() { return *results_; }
    HttpFetcher& Fetcher() { return *IdHTTP2_; }
    IMessageBox& msgMain() { return msgMain_; }

    // Handlers.
    void btnGetDataClick();
    void btnStopClick();
    void btnSettingsClick();
    void btnUpdatesClick();
    void btnAboutClick();
    void btnHelpClick();
    void cbxSiteChange();
    void cbxIntervalChange();
    void btnBrowserHomeClick();
    void btnBrowserBackClick();
    void btnBrowserFowardClick();
    void btnBrowserStopClick();
    void btnBrowserRefreshClick();
    void btnGoClick();
    void btnSelectAllClick();
    void btnClearSelectionClick();
    void btnDeleteSelectedClick();
    void btnDeleteAllClick();
    void btnExportClick();
    void btnOpenDetailsClick();
    void tmrStartupTimer();

    // IStatusBar
    void SetMainStatus(const QString& text) override;
    void SetGaugeMaximum(int maximum) override;
    int GaugeMaximum() const override;
    void SetGaugeValue(int value) override;
    // IHarvestWindow
    int SiteIndex() override;
    std::string AddressText() override;
    void SetExportedPanel(const QString& text) override;
    void RepaintResults() override;
    // IIntakeHost
    QDate StartDate() override;
    QDate EndDate() override;
    int AddResultRow(const LeadRecord& record) override;
    void SetSecondaryPanel(const QString& text) override;
    void AppendExportLine(const std::string& folder, const std::string& baseName, const std::string& line) override;
    // IPump
    void Pump() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void FormCreate();
    void FormShow();
    void FormClose();
    void RunUpdateCheck(bool silent);
    // The one error report for errors that escape a handler.
    void ReportError(const QString& message);

    HarvestSession session_;
    MessageBox msgMain_{this};
    HttpFetcher* IdHTTP2_ = nullptr;
    ResultsModel* results_ = nullptr;
    std::unique_ptr<AutoExportWriter> autoExport_;
    std::unique_ptr<LeadIntake> intake_;
    HarvestController* controller_ = nullptr;
    bool shown_ = false;
    bool closing_ = false;
};

} // namespace tessaly
