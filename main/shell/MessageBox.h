#pragma once
// The main window's message box (msgMain). Tests queue the answers to the
// next questions, so modal confirmations run without a human.

#include "WindowHost.h"

#include <QStringList>

class QWidget;

namespace tessaly {

class MessageBox : public IMessageBox {
public:
    explicit MessageBox(QWidget* parent) : parent_(parent) {}

    Answer Show(const QString& text, Kind kind, Buttons buttons) override;

    // The next Show() returns this answer at once instead of asking.
    static void SetNextAnswer(Answer answer);
    // Every text shown (or answered from the queue) since the last call.
    static QStringList TakeShownTexts();

private:
    QWidget* parent_;
};

} // namespace tessaly
