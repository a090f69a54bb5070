#pragma once

// The colours, captions and small helpers the main window's units share.

#include "ProgramInfo.h"

#include <QColor>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace MainFormLook {

inline const QColor DarkRed(192, 0, 0);
inline const QColor DarkBlue(0, 0, 192);
inline const QColor Navy(0, 0, 128);
inline const QString LineBreak = QStringLiteral("\r\n");

// What the header strip's caption says while the pointer is over a button.
inline const QString VersionCaption = QStringLiteral("Version ") + platform::ProgramInfo::version();
inline const QString TrayCaption = QStringLiteral("Send To The Notification Area");
inline const QString MiniCaption = QStringLiteral("Minimize To Taskbar");
inline const QString CloseCaption = QStringLiteral("Exit Pictarro");

inline void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

} // namespace MainFormLook
