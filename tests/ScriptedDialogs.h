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

    // The next file dialog returns this path (empty: cancelled).
    void chooseNext(const QString &path) { m_paths << path; }

    QString openFile(QWidget *, const QString &title, const QString &filter,
                     const QString &startPath) override
    {
        fileDialogs << QStringList{QStringLiteral("open"), title, filter, startPath};
        return m_paths.isEmpty() ? QString() : m_paths.takeFirst();
    }

    QString saveFile(QWidget *, const QString &title, const QString &filter,
                     const QString &startPath) override
    {
        fileDialogs << QStringList{QStringLiteral("save"), title, filter, startPath};
        return m_paths.isEmpty() ? QString() : m_paths.takeFirst();
    }

    QList<Shown> shown;
    QList<QStringList> prompts;
    QList<QStringList> fileDialogs; // kind, title, filter, start path

private:
    QList<Answer> m_answers;
    QStringList m_replies;
    QStringList m_paths;
};
