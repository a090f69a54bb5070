#pragma once

#include <QLocale>
#include <QString>
#include <optional>

// The capture counter is decimal text; these are its rules.
namespace CaptureCounter {

// The counter's last value before a capture wraps it to "0".
inline const QString WrapValue = QStringLiteral("99999999999999");

// The counter after one more capture: the text read as a number, plus one,
// written back as decimal text. Nothing when the text is not a number (the
// counter then keeps its text).
std::optional<QString> advanced(const QString &counter, const QLocale &locale = QLocale());

// The counter that a "[ Custom ]" reply asks for: the reply read as a money
// amount (four decimal places, a signed 64-bit count of ten-thousandths),
// written as plain decimal text with no grouping and no trailing zeros.
// Nothing when the reply is empty, not a number, or out of range.
std::optional<QString> customValue(const QString &reply, const QLocale &locale = QLocale());

} // namespace CaptureCounter
