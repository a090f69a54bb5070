#pragma once

#include <QString>

// Builds "mailto:" addresses for a new message in the user's mail program.
namespace MailComposer {

// The body as a mail address carries it: "&" -> "%26", blank -> "%20",
// CR LF -> "%0D%0A", a lone CR -> "%0D", a lone LF -> "%0A", in that order.
// Nothing else is escaped, "%" included.
QString escapeBody(const QString &body);

// "mailto:", the recipient and a query of the parts that are not empty:
// Subject (as given), Body (escaped, with a line break after it), CC, BCC and
// the attachment between double quotes, the first part led by "?" instead of
// "&". The body is replaced by its escaped form, as the caller may use it.
QString composeMailAddress(const QString &recipient, const QString &subject, QString &body,
                           const QString &copy, const QString &blindCopy,
                           const QString &attachment);

} // namespace MailComposer
