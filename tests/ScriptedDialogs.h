#pragma once

#include "Dialogs.h"

#include <QList>
#include <QStringList>

// Answers message and input boxes from a script and remembers what was
// shown, so window tests can walk every path without a person.
class ScriptedDialogs : public platform::Dialogs
{
public:
    struct Shown
    {
        Icon icon;
        QString title;
        QString text;
    };

    ScriptedDialogs() { platform::Dialogs::setInstance(this); }
    ~ScriptedDialogs() override { platform::Dialogs::setInstance(nullptr); }
    ScriptedDialogs(const ScriptedDialogs &) = delete;
    ScriptedDialogs &operator=(const ScriptedDialogs &) = delete;

    // The next question is answered so; unscripted questions get No.
    void answerNext(Answer answer) { m_answers << answer; }
    // The next input box returns this text (empty: cancelled).
    void replyNext(const QString &text) { m_replies << text; }

    Answer message(QWidget *, Icon icon, const QString &title, const QString &text) override
    {
        shown << Shown{icon, title, text};
        if (icon != Icon::Question)
            return Answer::Ok;
        return m_answers.isEmpty() ? Answer::No : m_answers.takeFirst();
    }

    QString inputBox(QWidget *, const QString &prompt, const QString &title,
                     const QString &defaultText) override
    {
        prompts << QStringList{prompt, title, defaultText};
        return m_replies.isEmpty() ? QString() : m_replies.takeFirst();
    }

    QList<Shown> shown;
    QList<QStringList> prompts;

private:
    QList<Answer> m_answers;
    QStringList m_replies;
};
