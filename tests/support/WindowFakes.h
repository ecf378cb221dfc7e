#pragma once
// Test doubles for the window services the core asks for.

#include "WindowHost.h"

#include <deque>
#include <functional>
#include <vector>

namespace tessaly::testing {

// Records every message shown; answers from `answers` in turn, then with
// `answer`. `onShow` runs inside Show, as other handlers could while a real
// box is open.
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
        if (onShow)
            onShow();
        if (!answers.empty()) {
            const Answer next = answers.front();
            answers.pop_front();
            return next;
        }
        return answer;
    }
    Answer answer = AnswerOk;
    std::deque<Answer> answers;
    std::vector<Shown> shown;
    std::function<void()> onShow;
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
