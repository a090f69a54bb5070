#include "CaptureCounter.h"

#include "Steps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace CaptureCounter {

namespace {

constexpr int MoneyDecimals = 4;
constexpr std::int64_t MoneyScale = 10000;

// Reads "[sign] digits [group separators] [point digits]" exactly, rounding
// past four decimals half to even. Works on the digits so that the whole
// money range is exact.
std::optional<std::int64_t> readMoney(const QString &reply, const QLocale &locale)
{
    const QString text = reply.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text.mid(i).startsWith(locale.negativeSign()))) {
        negative = true;
        i += text[i] == u'-' ? 1 : locale.negativeSign().size();
    } else if (i < text.size() &&
               (text[i] == u'+' || text.mid(i).startsWith(locale.positiveSign()))) {
        i += text[i] == u'+' ? 1 : locale.positiveSign().size();
    }

    const QString point = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    constexpr std::uint64_t limit = std::uint64_t{1} << 63; // |int64 min|
    std::uint64_t units = 0;                                // ten-thousandths, before the sign
    const auto append = [&units](int digit) {
        if (units > (limit - static_cast<std::uint64_t>(digit)) / 10)
            return false;
        units = units * 10 + static_cast<std::uint64_t>(digit);
        return true;
    };
    int digits = 0;
    int decimals = 0;
    bool inFraction = false;
    int roundDigit = -1;    // the first digit past four decimals
    bool pastRound = false; // any non-zero digit after that one
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isDigit()) {
            const int d = c.digitValue();
            ++digits;
            if (!inFraction || decimals < MoneyDecimals) {
                if (!append(d))
                    return std::nullopt;
                decimals += inFraction ? 1 : 0;
            } else if (roundDigit < 0) {
                roundDigit = d;
            } else if (d != 0) {
                pastRound = true;
            }
        } else if (!inFraction && text.mid(i).startsWith(point)) {
            inFraction = true;
            i += point.size() - 1;
        } else if (!inFraction && !group.isEmpty() && digits > 0 && text.mid(i).startsWith(group) &&
                   i + group.size() < text.size() && text[i + group.size()].isDigit()) {
            i += group.size() - 1;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    for (; decimals < MoneyDecimals; ++decimals) {
        if (!append(0))
            return std::nullopt;
    }
    if (roundDigit > 5 || (roundDigit == 5 && (pastRound || (units % 2) == 1)))
        ++units; // half to even; the range test below catches a carry past the limit
    if (units > (negative ? limit : limit - 1))
        return std::nullopt;
    const auto magnitude = static_cast<std::uint64_t>(units);
    return negative ? static_cast<std::int64_t>(0 - magnitude)
                    : static_cast<std::int64_t>(magnitude);
}

QString moneyText(std::int64_t units, const QLocale &locale)
{
    const bool negative = units < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    QString text = QString::number(magnitude / MoneyScale);
    std::uint64_t fraction = magnitude % MoneyScale;
    if (fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(MoneyDecimals, u'0');
        while (digits.endsWith(u'0'))
            digits.chop(1);
        text += locale.decimalPoint() + digits;
    }
    return negative ? u'-' + text : text;
}

// Plain decimal text with at most fifteen significant digits, the way the
// counter has always been written: no grouping, no exponent, no trailing
// zeros in the fraction.
QString numberText(double value, const QLocale &locale)
{
    value += 0.0; // no negative zero
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    const double magnitude = std::fabs(value);
    const int integerDigits =
        magnitude < 1 ? 1 : static_cast<int>(std::floor(std::log10(magnitude))) + 1;
    const int decimals = std::max(0, 15 - integerDigits);
    QString text = plain.toString(value, 'f', decimals);
    const QString point = locale.decimalPoint();
    if (decimals > 0 && text.contains(point)) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(point))
            text.chop(point.size());
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

} // namespace

std::optional<QString> advanced(const QString &counter, const QLocale &locale)
{
    const std::optional<double> value = Convert::toNumber(counter, locale);
    if (!value)
        return std::nullopt;
    // Fifteen significant digits, as the counter has always been written;
    // adding 0.0 turns a negative zero into zero.
    return numberText(*value + 1, locale);
}

std::optional<QString> customValue(const QString &reply, const QLocale &locale)
{
    const std::optional<std::int64_t> units = readMoney(reply, locale);
    if (!units)
        return std::nullopt;
    return moneyText(*units, locale);
}

} // namespace CaptureCounter
