#include "Symbols.h"

namespace Symbols {

QString RemoveSymbols(const QString &text, const QString &forbidden)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (!forbidden.contains(c, Qt::CaseInsensitive))
            result += c;
    }
    return result;
}

} // namespace Symbols
