#pragma once

#include <QString>

class QWidget;

namespace platform {

// Modal message and input boxes. Everything that asks or tells the user goes
// through here, so tests can answer the questions without a display.
class Dialogs
{
public:
    enum class Icon
    {
        Information,
        Question,
        Critical
    };
    // Question boxes have Yes and No, Yes the default button (Enter) and No
    // the answer to Escape; the others a single OK.
    enum class Answer
    {
        Ok = 1,
        Yes = 6,
        No = 7
    };

    virtual ~Dialogs() = default;

    virtual Answer message(QWidget *parent, Icon icon, const QString &title, const QString &text);

    // The typed text, or an empty text when the user cancels.
    virtual QString inputBox(QWidget *parent, const QString &prompt, const QString &title,
                             const QString &defaultText);

    // File dialogs. The filter is a Qt name filter list ("Pictures (*.bmp *.jpg)").
    // The chosen path, or an empty text when the user cancels.
    virtual QString openFile(QWidget *parent, const QString &title, const QString &filter,
                             const QString &startPath = {});
    virtual QString saveFile(QWidget *parent, const QString &title, const QString &filter,
                             const QString &startPath = {});

    static Dialogs &instance();
    static void setInstance(Dialogs *dialogs); // nullptr: the real boxes
};

} // namespace platform
