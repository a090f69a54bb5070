#pragma once

#include <QLocale>
#include <QLoggingCategory>
#include <QString>
#include <optional>
#include <stdexcept>
#include <utility>

Q_DECLARE_LOGGING_CATEGORY(lcSteps)

// Handlers that attempt each of their steps on its own (the start-up load,
// the watcher tick, the capture writer) run every step through attempt(): a
// step that fails is skipped, noted in the log, and the handler goes on with
// its next step.
struct StepFailed : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

template <typename Step> bool attempt(const char *step, Step &&run)
{
    try {
        std::forward<Step>(run)();
        return true;
    } catch (const std::exception &error) {
        qCDebug(lcSteps, "step skipped: %s (%s)", step, error.what());
        return false;
    }
}

namespace Convert {

// The text read as a finite number, in the locale's own format or else in
// the C format; blanks around it are ignored, group separators are not.
std::optional<double> toNumber(const QString &text, const QLocale &locale = QLocale());

// Typed conversions of stored text; each throws StepFailed on text it cannot
// read, so the step that needed the value is skipped.

// A whole number in the 32-bit range; a fraction is rounded to even.
int toInt32(const QString &text);

// "True"/"False" in any case, or a number (non-zero is true).
bool toBoolean(const QString &text);

} // namespace Convert
