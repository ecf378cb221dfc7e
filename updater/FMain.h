#pragma once
// The Updater's window, "Live Update": a log, a gauge, Stop and Close. The
// work is UpdateRunner's; the window only shows it.

#include "UpdateRunner.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tessaly::updater {

class TfrmMain : public QWidget, public IUpdateView {
    Q_OBJECT
public:
    TfrmMain(const CommandLine& commandLine, const QString& updaterDir, QWidget* parent = nullptr);
    ~TfrmMain() override;

    UpdateRunner& Runner() { return runner_; }
    QPlainTextEdit* memLog() const { return memLog_; }
    QProgressBar* MainGauge() const { return mainGauge_; }
    QPushButton* btnStop() const { return btnStop_; }
    QPushButton* btnClose() const { return btnClose_; }

    // IUpdateView
    void AddLogLine(const QString& line) override;
    void SetGauge(qint64 value, qint64 maximum) override;
    void SetStopEnabled(bool enabled) override;
    void CloseWindow() override;

signals:
    // The first timer tick has done its work (whether or not a run took place).
    void Timer1Done();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Timer1Timer();
    void btnStopClick();
    void bsSkinButton2Click();

    UpdateRunner runner_;
    QPlainTextEdit* memLog_;
    QProgressBar* mainGauge_;
    QPushButton* btnStop_;
    QPushButton* btnClose_;
    QTimer* timer1_;
    bool shown_ = false;
};

} // namespace tessaly::updater
