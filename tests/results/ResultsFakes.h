#pragma once
// Test doubles for the window services the results commands use.

#include "WindowHost.h"

#include <functional>
#include <vector>

namespace tessaly::testing {

class FakeMessageBox : public IMessageBox {
public:
    struct Shown {
        QString text;
        Kind kind;
        Buttons buttons;
    };
    Answer Show(const QString& text, Kind kind, Buttons buttons) override
    {
        shown.push_back({text, kind, buttons});
        return answer;
    }
    Answer answer = AnswerOk;
    std::vector<Shown> shown;
};

// Counts pumps and runs `onPump` in each, as other handlers would run
// inside a real pump.
class FakePump : public IPump {
public:
    void Pump() override
    {
        ++pumps;
        if (onPump)
            onPump();
    }
    int pumps = 0;
    std::function<void()> onPump;
};

} // namespace tessaly::testing
