#include "MailComposer.h"

namespace MailComposer {

QString escapeBody(const QString &body)
{
    QString escaped = body;
    escaped.replace(QLatin1String("&"), QLatin1String("%26"));
    escaped.replace(QLatin1String(" "), QLatin1String("%20"));
    escaped.replace(QLatin1String("\r\n"), QLatin1String("%0D%0A"));
    escaped.replace(QLatin1String("\r"), QLatin1String("%0D"));
    escaped.replace(QLatin1String("\n"), QLatin1String("%0A"));
    return escaped;
}

QString composeMailAddress(const QString &recipient, const QString &subject, QString &body,
                           const QString &copy, const QString &blindCopy, const QString &attachment)
{
    QString query;
    if (!subject.isEmpty())
        query = QLatin1String("&Subject=") + subject;
    if (!body.isEmpty()) {
        body = escapeBody(body);
        query += QLatin1String("&Body=") + body + QLatin1String("%0D%0A");
    }
    if (!copy.isEmpty())
        query += QLatin1String("&CC=") + copy;
    if (!blindCopy.isEmpty())
        query += QLatin1String("&BCC=") + blindCopy;
    // "Attacth" is this program's own spelling of the key; mail programs skip
    // keys they do not know.
    if (!attachment.isEmpty())
        query += QLatin1String("&Attacth=\"") + attachment + QLatin1Char('"');
    if (!query.isEmpty())
        query[0] = QLatin1Char('?');
    return QLatin1String("mailto:") + recipient + query;
}

} // namespace MailComposer
