#include "Steps.h"

#include <QLocale>
#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcSteps, "pictarro.steps", QtWarningMsg)

namespace Convert {

std::optional<double> toNumber(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    QLocale strict = locale;
    strict.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double value = strict.toDouble(trimmed, &ok);
    if (!ok)
        value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

int toInt32(const QString &text)
{
    const std::optional<double> value = toNumber(text);
    if (!value)
        throw StepFailed("not a number: " + text.toStdString());
    const double rounded = std::nearbyint(*value); // the default mode rounds half to even
    if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max())
        throw StepFailed("out of range: " + text.toStdString());
    return static_cast<int>(rounded);
}

bool toBoolean(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    const std::optional<double> value = toNumber(trimmed);
    if (!value)
        throw StepFailed("not a truth value: " + text.toStdString());
    return *value != 0;
}

} // namespace Convert
