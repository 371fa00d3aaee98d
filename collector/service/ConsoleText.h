#pragma once

#include <QString>

namespace vorenta {

/// A device text made safe for a terminal or a script: a backslash as "\\", every character
/// below U+0020 or from U+007F to U+009F as "\xHH" (two upper-case hex digits), the rest as is.
QString EscapeForConsole(const QString& text);

} // namespace vorenta
