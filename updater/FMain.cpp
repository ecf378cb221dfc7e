#include "FMain.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace tessaly::updater {

TfrmMain::TfrmMain(const CommandLine& commandLine, const QString& updaterDir, QWidget* parent)
    : QWidget(parent),
      runner_(*this, commandLine, updaterDir),
      memLog_(new QPlainTextEdit(this)),
      mainGauge_(new QProgressBar(this)),
      btnStop_(new QPushButton(QStringLiteral("Stop"), this)),
      btnClose_(new QPushButton(QStringLiteral("Close"), this)),
      timer1_(new QTimer(this))
{
    setWindowTitle(QStringLiteral("Live Update"));
    setObjectName(QStringLiteral("TfrmMain"));
    memLog_->setObjectName(QStringLiteral("memLog"));
    memLog_->setReadOnly(true);
    memLog_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mainGauge_->setObjectName(QStringLiteral("MainGauge"));
    mainGauge_->setRange(0, 100);
    mainGauge_->setValue(0);
    mainGauge_->setTextVisible(true);
    mainGauge_->setFormat(QStringLiteral("%p%"));
    btnStop_->setObjectName(QStringLiteral("btnStop"));
    btnClose_->setObjectName(QStringLiteral("bsSkinButton2"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Status:"), this));
    layout->addWidget(memLog_, 1);
    layout->addWidget(mainGauge_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnStop_);
    buttons->addWidget(btnClose_);
    layout->addLayout(buttons);
    resize(420, 300);

    timer1_->setSingleShot(true);
    timer1_->setInterval(100);
    connect(timer1_, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    connect(btnStop_, &QPushButton::clicked, this, &TfrmMain::btnStopClick);
    connect(btnClose_, &QPushButton::clicked, this, &TfrmMain::bsSkinButton2Click);
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    timer1_->start();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // Closing by the window frame ends a transfer like "Close" does.
    runner_.Abort();
    QWidget::closeEvent(event);
}

void TfrmMain::Timer1Timer()
{
    timer1_->stop();
    runner_.Run();
    emit Timer1Done();
}

void TfrmMain::btnStopClick()
{
    runner_.Stop();
}

void TfrmMain::bsSkinButton2Click()
{
    runner_.Abort();
    close();
}

void TfrmMain::AddLogLine(const QString& line)
{
    memLog_->appendPlainText(line);
}

void TfrmMain::SetGauge(qint64 value, qint64 maximum)
{
    const int percent = maximum > 0 ? int(qBound(qint64(0), value * 100 / maximum, qint64(100))) : 0;
    mainGauge_->setValue(percent);
}

void TfrmMain::SetStopEnabled(bool enabled)
{
    btnStop_->setEnabled(enabled);
}

void TfrmMain::CloseWindow()
{
    close();
}

} // namespace tessaly::updater
