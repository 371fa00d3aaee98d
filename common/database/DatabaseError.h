#pragma once

#include <QString>

#include <stdexcept>

namespace vorenta {

/// A connection or statement failure; what() carries the driver's own text, which callers log.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const QString& message) : std::runtime_error(message.toStdString()) {}

    /// The message as text, for the activity log.
    QString text() const { return QString::fromStdString(what()); }
};

} // namespace vorenta
