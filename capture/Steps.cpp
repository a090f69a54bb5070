#include "Steps.h"

#include <QLocale>
#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcSteps, "pictarro.steps", QtWarningMsg)

namespace Convert {

namespace {

bool readNumber(const QString &text, double &value)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    value = locale.toDouble(trimmed, &ok);
    if (!ok)
        value = QLocale::c().toDouble(trimmed, &ok);
    return ok && std::isfinite(value);
}

} // namespace

int toInt32(const QString &text)
{
    double value = 0;
    if (!readNumber(text, value))
        throw StepFailed("not a number: " + text.toStdString());
    const double rounded = std::nearbyint(value); // the default mode rounds half to even
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
    double value = 0;
    if (!readNumber(trimmed, value))
        throw StepFailed("not a truth value: " + text.toStdString());
    return value != 0;
}

} // namespace Convert
