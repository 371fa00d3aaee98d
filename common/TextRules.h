#pragma once

#include <QString>

namespace vorenta {

// The system's own text rules. Trimming removes the characters U+0000 to U+0020 at both ends
// (QString::trimmed() knows other blanks and would keep control characters); case changes touch
// the ASCII letters only, so accented letters of device texts survive a comparison untouched.

/// The text without the characters of codes 0 to 32 at both ends.
QString Trim(const QString& text);

/// True when the text is empty after Trim.
bool IsBlank(const QString& text);

/// a-z to A-Z; every other character unchanged.
QString UpperAscii(const QString& text);

/// A-Z to a-z; every other character unchanged.
QString LowerAscii(const QString& text);

/// A text from outside (a device's answer, a database row) made safe for a log line or a
/// terminal: a backslash as "\\", every character below U+0020 or from U+007F to U+009F as
/// "\xHH" (two upper-case hex digits), the rest as is. A device's model holding a line break
/// can then neither forge a line of LOG.TXT nor put a NUL into it.
QString EscapedText(const QString& text);

} // namespace vorenta
