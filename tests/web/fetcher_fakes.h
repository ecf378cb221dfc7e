#pragma once
// The window as the fetcher sees it: a status bar and a message pump that
// record, in one log, everything they are told.

#include "WindowHost.h"

#include <QCoreApplication>
#include <QStringList>

#include <functional>

namespace tessaly::test {

class FakeWindow : public IStatusBar, public IPump {
public:
    // "status:<text>", "max:<n>", "value:<n>", "pump", in call order.
    QStringList log;
    // Runs after every gauge value, like a click that lands while the
    // gauge repaints.
    std::function<void(int)> onGaugeValue;

    void SetMainStatus(const QString& text) override { log << "status:" + text; }
    void SetGaugeMaximum(int maximum) override
    {
        maximum_ = maximum;
        log << "max:" + QString::number(maximum);
    }
    int GaugeMaximum() const override { return maximum_; }
    void SetGaugeValue(int value) override
    {
        log << "value:" + QString::number(value);
        if (onGaugeValue)
            onGaugeValue(value);
    }
    void Pump() override
    {
        log << "pump";
        QCoreApplication::processEvents();
    }

    // The status texts only, in order.
    QStringList Statuses() const
    {
        QStringList texts;
        for (const QString& entry : log)
            if (entry.startsWith("status:"))
                texts << entry.mid(7);
        return texts;
    }

private:
    int maximum_ = 100;
};

} // namespace tessaly::test
