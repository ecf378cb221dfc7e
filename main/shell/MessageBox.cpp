#include "MessageBox.h"

#include <QMessageBox>
#include <QQueue>

namespace tessaly {

namespace {

QQueue<IMessageBox::Answer>& QueuedAnswers()
{
    static QQueue<IMessageBox::Answer> answers;
    return answers;
}

QStringList& ShownTexts()
{
    static QStringList texts;
    return texts;
}

} // namespace

IMessageBox::Answer MessageBox::Show(const QString& text, Kind kind, Buttons buttons)
{
    ShownTexts().append(text);
    if (!QueuedAnswers().isEmpty())
        return QueuedAnswers().dequeue();
    QMessageBox box(kind == Warning ? QMessageBox::Warning : QMessageBox::Information, QStringLiteral("Tessaly"), text,
                    buttons == OkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, parent_);
    return box.exec() == QMessageBox::Ok ? AnswerOk : AnswerCancel;
}

void MessageBox::SetNextAnswer(Answer answer)
{
    QueuedAnswers().enqueue(answer);
}

QStringList MessageBox::TakeShownTexts()
{
    QStringList texts;
    texts.swap(ShownTexts());
    return texts;
}

} // namespace tessaly
