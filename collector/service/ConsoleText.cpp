#include "ConsoleText.h"

namespace vorenta {

QString EscapeForConsole(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u'\\')
            escaped += QStringLiteral("\\\\");
        else if (code < 0x20 || (code >= 0x7F && code <= 0x9F))
            escaped +=
                QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0')).toUpper().replace("\\X", "\\x");
        else
            escaped += c;
    }
    return escaped;
}

} // namespace vorenta
