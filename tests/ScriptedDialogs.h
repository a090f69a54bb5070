#pragma once

#include "Dialogs.h"

#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QtTest/QTest>

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
    void answerNext(Answer answer) { m_answers << Step{answer, 0}; }
    // The next question is shown in the real message box and answered by
    // pressing this key in it, as a user would (Qt::Key_Return, Qt::Key_Escape).
    void pressNext(int key) { m_answers << Step{Answer::No, key}; }
    // The next input box returns this text (empty: cancelled).
    void replyNext(const QString &text) { m_replies << text; }

    Answer message(QWidget *parent, Icon icon, const QString &title, const QString &text) override
    {
        shown << Shown{icon, title, text};
        if (icon != Icon::Question)
            return Answer::Ok;
        const Step step = m_answers.isEmpty() ? Step{Answer::No, 0} : m_answers.takeFirst();
        if (step.key == 0)
            return step.answer;
        // Pressed once the box is up and has the keyboard.
        QTimer press;
        QObject::connect(&press, &QTimer::timeout, [&press, key = step.key] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            press.stop();
            QTest::keyClick(box, Qt::Key(key));
        });
        press.start(10);
        return platform::Dialogs::message(parent, icon, title, text);
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
    struct Step
    {
        Answer answer;
        int key; // 0: answered without a box
    };
    QList<Step> m_answers;
    QStringList m_replies;
    QStringList m_paths;
};
