#pragma once

#include <QLoggingCategory>
#include <QString>
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

// Typed conversions of stored text; each throws StepFailed on text it cannot
// read, so the step that needed the value is skipped.
namespace Convert {

// A whole number in the 32-bit range; a fraction is rounded to even.
int toInt32(const QString &text);

// "True"/"False" in any case, or a number (non-zero is true).
bool toBoolean(const QString &text);

} // namespace Convert
