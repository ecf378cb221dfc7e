#pragma once
// What the core asks of the main window, as small interfaces the window
// implements and the tests fake.

#include <QString>

namespace tessaly {

// Processes the pending window events once ("pump the messages").
class IPump {
public:
    virtual ~IPump() = default;
    virtual void Pump() = 0;
};

// The status bar: MainStatusPanel and MainGauge.
class IStatusBar {
public:
    virtual ~IStatusBar() = default;
    virtual void SetMainStatus(const QString& text) = 0;
    virtual void SetGaugeMaximum(int maximum) = 0;
    virtual int GaugeMaximum() const = 0;
    virtual void SetGaugeValue(int value) = 0;
};

// The window's message box (msgMain).
class IMessageBox {
public:
    enum Kind { Information, Warning };
    enum Buttons { Ok, OkCancel };
    enum Answer { AnswerOk, AnswerCancel };
    virtual ~IMessageBox() = default;
    virtual Answer Show(const QString& text, Kind kind, Buttons buttons) = 0;
};

} // namespace tessaly
