#include "FMain.h"

#include "AppSettings.h"
#include "ExportWriter.h"
#include "FAbout.h"
#include "FSettings.h"
#include "HttpFetcher.h"
#include "ProductInfo.h"
#include "ResultsCommands.h"
#include "ResultsExport.h"
#include "ResultsModel.h"
#include "SettingsStore.h"
#include "Sites.h"
#include "UGeneral.h"
#include "UUtils.h"
#include "UpdateCheck.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

namespace tessaly {

namespace {

const QDate kEmptyDate(1900, 1, 1);

const char* const kSiteEntries[] = {
    "http://www.craigslist.org (International)",
    "http://www.backpage.com (International)",
    "http://www.kijiji.it (Italy)",
    "http://www.bakeca.it (Italy)",
};

QString Qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// The address field runs the Go handler on Enter.
class AddressEdit : public QLineEdit {
public:
    std::function<void()> onEnter;
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && onEnter) {
            onEnter();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
};

} // namespace

// ---- DateField --------------------------------------------------------------

DateField::DateField(QWidget* parent) : QDateEdit(parent)
{
    setCalendarPopup(true);
    calendarWidget()->setWindowTitle(QStringLiteral("Select your date"));
    setMinimumDate(kEmptyDate);
    // The minimum date stands for "no date": it shows as an empty field.
    setSpecialValueText(QStringLiteral(" "));
    setDate(kEmptyDate);
    setDisplayFormat(QLocale::system().dateFormat(QLocale::ShortFormat));
}

bool DateField::IsEmpty() const
{
    return date() == kEmptyDate;
}

QDate DateField::DateOrToday() const
{
    return IsEmpty() || !date().isValid() ? QDate::currentDate() : date();
}

std::string SiteHomeUrl(const std::string& entryText)
{
    const std::size_t paren = entryText.find('(');
    if (paren == std::string::npos)
        return entryText;
    return Trim(entryText.substr(0, paren));
}

// ---- TfrmMain ---------------------------------------------------------------

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    BuildControls();
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    // FormDestroy: the seen-URL list goes with the session.
    controller_->ParseTimer().stop();
}

void TfrmMain::BuildControls()
{
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(4, 4, 4, 0);
    outer->setSpacing(4);

    // Top panel: site, interval, dates, and the run buttons.
    auto* top = new QWidget(central);
    top->setFixedHeight(78);
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    auto* selectRow = new QHBoxLayout();
    cbxSite = new QComboBox(top);
    cbxSite->setObjectName(QStringLiteral("cbxSite"));
    for (const char* entry : kSiteEntries)
        cbxSite->addItem(QString::fromUtf8(entry));
    cbxSite->setMaxVisibleItems(12);
    cbxSite->setMinimumWidth(300);
    cbxInterval = new QComboBox(top);
    cbxInterval->addItems({QStringLiteral("Today"), QStringLiteral("Last 7 days"), QStringLiteral("Last 30 days"),
                           QStringLiteral("Custom Interval")});
    cbxInterval->setMaxVisibleItems(8);
    edtStart = new DateField(top);
    edtEnd = new DateField(top);
    edtStart->setEnabled(false);
    edtEnd->setEnabled(false);
    selectRow->addWidget(new QLabel(QStringLiteral("Source Site:"), top));
    selectRow->addWidget(cbxSite);
    selectRow->addSpacing(12);
    selectRow->addWidget(new QLabel(QStringLiteral("Search in:"), top));
    selectRow->addWidget(cbxInterval);
    selectRow->addSpacing(12);
    selectRow->addWidget(new QLabel(QStringLiteral("Interval between"), top));
    selectRow->addWidget(edtStart);
    selectRow->addWidget(new QLabel(QStringLiteral("and"), top));
    selectRow->addWidget(edtEnd);
    selectRow->addStretch(1);
    auto* runRow = new QHBoxLayout();
    btnGetData = new QPushButton(QStringLiteral("Get Data"), top);
    btnStop = new QPushButton(QStringLiteral("Stop"), top);
    btnSettings = new QPushButton(QStringLiteral("Settings"), top);
    btnUpdates = new QPushButton(QStringLiteral("Updates"), top);
    btnAbout = new QPushButton(QStringLiteral("About"), top);
    for (QPushButton* b : {btnGetData, btnStop, btnSettings, btnUpdates, btnAbout}) {
        b->setMinimumWidth(90);
        runRow->addWidget(b);
    }
    runRow->addStretch(1);
    topLayout->addLayout(selectRow);
    topLayout->addLayout(runRow);
    outer->addWidget(top);

    // Browser bar.
    auto* bar = new QWidget(central);
    bar->setFixedHeight(48);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    auto makeToolButton = [bar, barLayout](QStyle::StandardPixmap icon, const char* hint) {
        auto* b = new QToolButton(bar);
        b->setIcon(bar->style()->standardIcon(icon));
        b->setIconSize(QSize(22, 22));
        b->setFixedSize(32, 32);
        b->setToolTip(QString::fromUtf8(hint));
        b->setAutoRaise(true);
        barLayout->addWidget(b);
        return b;
    };
    btnBrowserHome = makeToolButton(QStyle::SP_DirHomeIcon, "Go to Home Page");
    btnBrowserBack = makeToolButton(QStyle::SP_ArrowBack, "Go Back");
    btnBrowserFoward = makeToolButton(QStyle::SP_ArrowForward, "Go Forward");
    btnBrowserStop = makeToolButton(QStyle::SP_BrowserStop, "Stop");
    btnBrowserRefresh = makeToolButton(QStyle::SP_BrowserReload, "Refresh");
    barLayout->addSpacing(8);
    barLayout->addWidget(new QLabel(QStringLiteral("Address:"), bar));
    auto* address = new AddressEdit(bar);
    address->onEnter = [this] { btnGoClick(); };
    edtAddress = address;
    barLayout->addWidget(edtAddress, 1);
    btnGo = new QPushButton(QStringLiteral("Go"), bar);
    barLayout->addWidget(btnGo);
    outer->addWidget(bar);

    // Browser over the results, with a splitter between them.
    splitter = new QSplitter(Qt::Vertical, central);
    splitter->setHandleWidth(10);
    splitter->setChildrenCollapsible(false);
    EmbeddedWB1 = new BrowserView(splitter);
    EmbeddedWB1->setMinimumHeight(10);
    auto* results = new QGroupBox(QStringLiteral("Results"), splitter);
    results->setMinimumHeight(10);
    auto* resultsLayout = new QVBoxLayout(results);
    resultsLayout->setContentsMargins(4, 4, 4, 4);
    lvwItems = new QTableView(results);
    results_ = new ResultsModel(this);
    lvwItems->setModel(results_);
    lvwItems->setShowGrid(true);
    lvwItems->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwItems->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwItems->verticalHeader()->hide();
    lvwItems->verticalHeader()->setDefaultSectionSize(20);
    lvwItems->horizontalHeader()->setDefaultSectionSize(120);
    lvwItems->horizontalHeader()->setHighlightSections(false);
    lvwItems->setWordWrap(false);
    // The selection stays visible when the list loses the focus.
    QPalette palette = lvwItems->palette();
    palette.setBrush(QPalette::Inactive, QPalette::Highlight, palette.brush(QPalette::Active, QPalette::Highlight));
    palette.setBrush(QPalette::Inactive, QPalette::HighlightedText,
                     palette.brush(QPalette::Active, QPalette::HighlightedText));
    lvwItems->setPalette(palette);
    resultsLayout->addWidget(lvwItems);
    splitter->addWidget(EmbeddedWB1);
    splitter->addWidget(results);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    outer->addWidget(splitter, 1);

    // Results commands.
    auto* buttons = new QWidget(central);
    buttons->setFixedHeight(39);
    auto* buttonsLayout = new QHBoxLayout(buttons);
    buttonsLayout->setContentsMargins(0, 0, 0, 0);
    btnSelectAll = new QPushButton(QStringLiteral("Select All"), buttons);
    btnClearSelection = new QPushButton(QStringLiteral("Clear Selection"), buttons);
    btnDeleteSelected = new QPushButton(QStringLiteral("Delete Selected"), buttons);
    btnDeleteAll = new QPushButton(QStringLiteral("Delete All"), buttons);
    btnExport = new QPushButton(QStringLiteral("Export Results"), buttons);
    btnOpenDetails = new QPushButton(QStringLiteral("Open Details URL"), buttons);
    for (QPushButton* b : {btnSelectAll, btnClearSelection, btnDeleteSelected, btnDeleteAll, btnExport, btnOpenDetails}) {
        b->setMinimumWidth(110);
        buttonsLayout->addWidget(b);
    }
    buttonsLayout->addStretch(1);
    outer->addWidget(buttons);
    setCentralWidget(central);

    // Status bar: MainStatusPanel takes the rest of the bar.
    MainStatusPanel = new QLabel(this);
    stMode = new QLabel(this);
    stMode->setFixedWidth(151);
    spExported = new QLabel(QStringLiteral("0 exported items"), this);
    spExported->setFixedWidth(137);
    panSecondary = new QLabel(this);
    panSecondary->setFixedWidth(131);
    MainGauge = new QProgressBar(this);
    MainGauge->setFixedWidth(130);
    MainGauge->setRange(0, 100);
    MainGauge->setValue(0);
    MainGauge->setTextVisible(true);
    statusBar()->addWidget(MainStatusPanel, 1);
    statusBar()->addPermanentWidget(stMode);
    statusBar()->addPermanentWidget(spExported);
    statusBar()->addPermanentWidget(panSecondary);
    statusBar()->addPermanentWidget(MainGauge);

    resize(1008, 641 + statusBar()->sizeHint().height());
    splitter->setSizes({641 - 78 - 48 - 39 - 217 - 10, 217});

    tmrStartup = new QTimer(this);
    tmrStartup->setInterval(100);
    tmrStartup->setSingleShot(true);

    // The HTTP client, the intake and the harvest controller.
    IdHTTP2_ = new HttpFetcher(TheAppSettings(), session_.StopRequested, *this, *this, this);
    autoExport_ = std::make_unique<AutoExportWriter>();
    intake_ = std::make_unique<LeadIntake>(session_, TheAppSettings(), *this);
    HarvestController::Hooks hooks;
    hooks.parseListingPage = [this](int siteIndex, const std::string& page) {
        SiteContext context{session_, *IdHTTP2_, *intake_, *this};
        ParseListingPage(context, siteIndex, page);
    };
    hooks.disconnectHttp = [this] { IdHTTP2_->Disconnect(); };
    hooks.waitMs = [](int ms) { WaitMs(ms); };
    hooks.reportError = [this](const QString& message) { ReportError(message); };
    controller_ = new HarvestController(session_, *EmbeddedWB1, *this, *this, std::move(hooks), this);

    connect(btnGetData, &QPushButton::clicked, this, &TfrmMain::btnGetDataClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmMain::btnStopClick);
    connect(btnSettings, &QPushButton::clicked, this, &TfrmMain::btnSettingsClick);
    connect(btnUpdates, &QPushButton::clicked, this, &TfrmMain::btnUpdatesClick);
    connect(btnAbout, &QPushButton::clicked, this, &TfrmMain::btnAboutClick);
    connect(cbxSite, qOverload<int>(&QComboBox::activated), this, &TfrmMain::cbxSiteChange);
    connect(cbxInterval, qOverload<int>(&QComboBox::activated), this, &TfrmMain::cbxIntervalChange);
    connect(btnBrowserHome, &QToolButton::clicked, this, &TfrmMain::btnBrowserHomeClick);
    connect(btnBrowserBack, &QToolButton::clicked, this, &TfrmMain::btnBrowserBackClick);
    connect(btnBrowserFoward, &QToolButton::clicked, this, &TfrmMain::btnBrowserFowardClick);
    connect(btnBrowserStop, &QToolButton::clicked, this, &TfrmMain::btnBrowserStopClick);
    connect(btnBrowserRefresh, &QToolButton::clicked, this, &TfrmMain::btnBrowserRefreshClick);
    connect(btnGo, &QPushButton::clicked, this, &TfrmMain::btnGoClick);
    connect(btnSelectAll, &QPushButton::clicked, this, &TfrmMain::btnSelectAllClick);
    connect(btnClearSelection, &QPushButton::clicked, this, &TfrmMain::btnClearSelectionClick);
    connect(btnDeleteSelected, &QPushButton::clicked, this, &TfrmMain::btnDeleteSelectedClick);
    connect(btnDeleteAll, &QPushButton::clicked, this, &TfrmMain::btnDeleteAllClick);
    connect(btnExport, &QPushButton::clicked, this, &TfrmMain::btnExportClick);
    connect(btnOpenDetails, &QPushButton::clicked, this, &TfrmMain::btnOpenDetailsClick);
    connect(tmrStartup, &QTimer::timeout, this, &TfrmMain::tmrStartupTimer);
    connect(EmbeddedWB1, &BrowserView::NavigateComplete, this,
            [this](const QString& url) { edtAddress->setText(url); });
    connect(EmbeddedWB1, &BrowserView::ProgressChange, this, [this](int value) {
        // The fetcher leaves its last transfer's length as the maximum;
        // page percentages are shown against 100 again.
        MainGauge->setMaximum(100);
        MainGauge->setValue(value);
    });
}

void TfrmMain::FormCreate()
{
    ClearUrlCache();
    cbxSite->setCurrentIndex(0);
    try {
        LoadSettings(TheAppSettings(), SettingsFilePath());
    } catch (const std::exception& e) {
        ReportError(QString::fromStdString(e.what()));
    }
    stMode->setText(ModeText(TheAppSettings()));
    setWindowTitle(QString::fromUtf8(ProductName) + QLatin1Char(' ') + QString::fromUtf8(ProductVersion));
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmMain::FormShow()
{
    EmbeddedWB1->Navigate(SiteHomeUrl(cbxSite->currentText().toStdString()));
    panSecondary->setText(ItemsText(results_->Count()));
    Pump();
    tmrStartup->start();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    FormClose();
    QMainWindow::closeEvent(event);
}

void TfrmMain::FormClose()
{
    closing_ = true;
    controller_->ParseTimer().stop();
    tmrStartup->stop();
    session_.StopRequested = true;
    session_.Running = false;
    EmbeddedWB1->StopLoading();
    IdHTTP2_->Disconnect();
    MainGauge->setValue(0);
    Pump();
}

void TfrmMain::ReportError(const QString& message)
{
    msgMain_.Show(message, IMessageBox::Warning, IMessageBox::Ok);
}

// ---- run ----------------------------------------------------------------------

void TfrmMain::btnGetDataClick()
{
    controller_->btnGetDataClick();
}

void TfrmMain::btnStopClick()
{
    controller_->btnStopClick();
}

void TfrmMain::tmrStartupTimer()
{
    tmrStartup->stop();
    RunUpdateCheck(true);
}

void TfrmMain::btnUpdatesClick()
{
    RunUpdateCheck(false);
}

void TfrmMain::RunUpdateCheck(bool silent)
{
    try {
        UpdateCheckHost host;
        // The description is fetched even while a stopped harvest keeps the
        // stop flag set: a user who pressed Stop still gets a real check.
        host.downloadFile = [this](const std::string& url, const std::string& path) {
            return IdHTTP2_->DownloadFile(url, path, false);
        };
        host.msg = &msgMain_;
        host.programDir = QCoreApplication::applicationDirPath().toStdString();
        host.closeMainWindow = [this] { close(); };
        CheckForUpdates(silent, host);
    } catch (const std::exception& e) {
        ReportError(QString::fromStdString(e.what()));
    }
}

void TfrmMain::btnSettingsClick()
{
    RunSettingsDialog(this, TheAppSettings(), SettingsFilePath(), msgMain_);
    stMode->setText(ModeText(TheAppSettings()));
}

void TfrmMain::btnAboutClick()
{
    TfrmAbout about(this, [](const QString& url) { OpenUrlInBrowser(url.toStdString()); });
    about.exec();
}

void TfrmMain::btnHelpClick()
{
    OpenUrlInBrowser(HelpUrl);
}

// ---- site and interval --------------------------------------------------------

void TfrmMain::cbxSiteChange()
{
    EmbeddedWB1->Navigate("about:blank");
    WaitMs(500);
    EmbeddedWB1->Navigate(SiteHomeUrl(cbxSite->currentText().toStdString()));
}

void TfrmMain::cbxIntervalChange()
{
    const QDate today = QDate::currentDate();
    switch (cbxInterval->currentIndex()) {
    case 0:
    case 3: edtStart->SetDate(today); break;
    case 1: edtStart->SetDate(today.addDays(-7)); break;
    case 2: edtStart->SetDate(today.addDays(-30)); break;
    default: break;
    }
    const bool custom = cbxInterval->currentIndex() == 3;
    edtStart->setEnabled(custom);
    edtEnd->setEnabled(custom);
}

// ---- browser bar --------------------------------------------------------------

void TfrmMain::btnBrowserHomeClick()
{
    EmbeddedWB1->Navigate(SiteHomeUrl(cbxSite->currentText().toStdString()));
}

void TfrmMain::btnBrowserBackClick()
{
    EmbeddedWB1->GoBack();
}

void TfrmMain::btnBrowserFowardClick()
{
    EmbeddedWB1->GoForward();
}

void TfrmMain::btnBrowserStopClick()
{
    EmbeddedWB1->StopLoading();
    MainGauge->setValue(0);
}

void TfrmMain::btnBrowserRefreshClick()
{
    EmbeddedWB1->RefreshPage();
}

void TfrmMain::btnGoClick()
{
    EmbeddedWB1->Navigate(edtAddress->text().toStdString());
}

// ---- results ------------------------------------------------------------------

void TfrmMain::btnSelectAllClick()
{
    SelectAll(*results_, *lvwItems->selectionModel(), *this);
}

void TfrmMain::btnClearSelectionClick()
{
    ClearSelection(*results_, *lvwItems->selectionModel(), *this);
}

void TfrmMain::btnDeleteSelectedClick()
{
    DeleteSelected(*results_, *lvwItems->selectionModel(), session_, *this, msgMain_,
                   [this](const QString& text) { SetSecondaryPanel(text); });
}

void TfrmMain::btnDeleteAllClick()
{
    DeleteAll(*results_, session_, *this, msgMain_, [this](const QString& text) { SetSecondaryPanel(text); });
}

void TfrmMain::btnExportClick()
{
    ExportResults(this, *results_, msgMain_, [this](const QString& text) { SetExportedPanel(text); });
}

void TfrmMain::btnOpenDetailsClick()
{
    OpenDetails(*results_, *lvwItems->selectionModel(), [](const std::string& url) { return OpenUrlInBrowser(url); });
}

// ---- window services for the core -------------------------------------------

void TfrmMain::SetMainStatus(const QString& text)
{
    MainStatusPanel->setText(text);
}

void TfrmMain::SetGaugeMaximum(int maximum)
{
    MainGauge->setMaximum(maximum);
}

int TfrmMain::GaugeMaximum() const
{
    return MainGauge->maximum();
}

void TfrmMain::SetGaugeValue(int value)
{
    MainGauge->setValue(value);
}

int TfrmMain::SiteIndex()
{
    return cbxSite->currentIndex();
}

std::string TfrmMain::AddressText()
{
    return edtAddress->text().toStdString();
}

void TfrmMain::SetExportedPanel(const QString& text)
{
    spExported->setText(text);
}

void TfrmMain::RepaintResults()
{
    lvwItems->viewport()->repaint();
}

QDate TfrmMain::StartDate()
{
    return edtStart->DateOrToday();
}

QDate TfrmMain::EndDate()
{
    return edtEnd->DateOrToday();
}

int TfrmMain::AddResultRow(const LeadRecord& record)
{
    return results_->AddRow(record);
}

void TfrmMain::SetSecondaryPanel(const QString& text)
{
    panSecondary->setText(text);
}

void TfrmMain::AppendExportLine(const std::string& folder, const std::string& baseName, const std::string& line)
{
    QString error;
    if (autoExport_->AppendExportLine(folder, baseName, line, session_, &error)) {
        spExported->setText(ExportedText(session_.ExportedCount));
        return;
    }
    // Nothing is dropped silently: the run stops and says why.
    controller_->btnStopClick();
    SetMainStatus(error);
}

void TfrmMain::Pump()
{
    QCoreApplication::processEvents();
}

} // namespace tessaly
