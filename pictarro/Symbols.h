#pragma once

#include <QString>

namespace Symbols {

// The characters a capture's base name never holds.
inline const QString NoWay = QStringLiteral("\\/:*?<>|\"");

// The text without any character of the forbidden set (compared ignoring
// case); the kept characters keep their order.
QString RemoveSymbols(const QString &text, const QString &forbidden);

} // namespace Symbols
