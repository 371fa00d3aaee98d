#pragma once

#include <QString>

#include <exception>

class QWidget;

namespace vorenta {

class LogSink;

/// Title of the box that reports a failed statement, as the program's own name.
inline constexpr const char* kToolTitle = "ConfigVorenta";

/// Shows `message` (the driver's text) in an error box over `parent` and logs it as "Erro: "
/// followed by the text.
void ReportFailure(QWidget* parent, LogSink& log, const QString& message);

/// Runs `action` at a slot's boundary: a failure stops the action where it happened and reaches
/// the user through ReportFailure instead of unwinding into the event loop. True when the action
/// ran to its end.
template <class Action> bool RunGuarded(QWidget* parent, LogSink& log, Action&& action)
{
    try {
        action();
        return true;
    } catch (const std::exception& error) {
        ReportFailure(parent, log, QString::fromUtf8(error.what()));
        return false;
    }
}

} // namespace vorenta
