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

} // namespace vorenta
