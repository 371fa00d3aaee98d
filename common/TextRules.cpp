#include "TextRules.h"

namespace vorenta {

namespace {
bool isTrimmed(QChar c)
{
    return c.unicode() <= 32;
}
} // namespace

QString Trim(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isTrimmed(text[first]))
        ++first;
    while (last > first && isTrimmed(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

bool IsBlank(const QString& text)
{
    for (QChar c : text) {
        if (!isTrimmed(c))
            return false;
    }
    return true;
}

QString UpperAscii(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    }
    return result;
}

QString LowerAscii(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    }
    return result;
}

QString EscapedText(const QString& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    QString escaped;
    escaped.reserve(text.size());
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u'\\') {
            escaped += QStringLiteral("\\\\");
        } else if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
            escaped += QStringLiteral("\\x");
            escaped += QLatin1Char(kHex[code >> 4]);
            escaped += QLatin1Char(kHex[code & 0xF]);
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace vorenta
