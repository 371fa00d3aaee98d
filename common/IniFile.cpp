#include "IniFile.h"

#include "Windows1252.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>

#include <optional>

namespace vorenta {

namespace {

QString decode(const QByteArray& bytes)
{
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(body);
    if (utf8.hasError())
        return DecodeWindows1252(std::string_view(body.constData(), static_cast<size_t>(body.size())));
    return text;
}

QStringList readLines(const QString& path, bool* exists)
{
    QFile file(path);
    *exists = file.exists();
    if (!*exists)
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw IniFileError(QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
    QString text = decode(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

std::optional<QString> sectionName(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(u'[') && trimmed.endsWith(u']'))
        return trimmed.mid(1, trimmed.size() - 2).trimmed();
    return std::nullopt;
}

bool isComment(const QString& line)
{
    const QString trimmed = line.trimmed();
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

// Splits "key = value" into its parts; false for lines without '='.
bool splitEntry(const QString& line, QString* key, QString* value)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0 || isComment(line))
        return false;
    *key = line.left(eq).trimmed();
    QString v = line.mid(eq + 1).trimmed();
    if (v.size() >= 2 && v.startsWith(u'"') && v.endsWith(u'"'))
        v = v.mid(1, v.size() - 2);
    *value = v;
    return true;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::optional<QString> find(const QStringList& lines, const QString& section, const QString& key)
{
    bool inSection = false;
    for (const QString& line : lines) {
        if (auto name = sectionName(line)) {
            inSection = sameName(*name, section);
            continue;
        }
        QString k;
        QString v;
        if (inSection && splitEntry(line, &k, &v) && sameName(k, key))
            return v;
    }
    return std::nullopt;
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

bool IniFile::exists() const
{
    return QFile::exists(m_path);
}

QString IniFile::value(const QString& section, const QString& key, const QString& fallback) const
{
    bool exists = false;
    const QStringList lines = readLines(m_path, &exists);
    return find(lines, section, key).value_or(fallback);
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    bool exists = false;
    const QStringList lines = readLines(m_path, &exists);
    return find(lines, section, key).has_value();
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    bool exists = false;
    QStringList lines = readLines(m_path, &exists);
    const QString entry = key + u'=' + value;

    bool inSection = false;
    qsizetype sectionEnd = -1; // index behind the last entry of the matching section
    bool written = false;
    for (qsizetype i = 0; i < lines.size() && !written; ++i) {
        if (auto name = sectionName(lines[i])) {
            inSection = sameName(*name, section);
            if (inSection)
                sectionEnd = i + 1;
            continue;
        }
        if (!inSection)
            continue;
        QString k;
        QString v;
        if (splitEntry(lines[i], &k, &v) && sameName(k, key)) {
            lines[i] = k + u'=' + value; // the key keeps the spelling the file gives it
            written = true;
        } else if (!lines[i].trimmed().isEmpty()) {
            sectionEnd = i + 1;
        }
    }
    if (!written) {
        if (sectionEnd < 0) {
            lines.append(u'[' + section + u']');
            lines.append(entry);
        } else {
            lines.insert(sectionEnd, entry);
        }
    }

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        throw IniFileError(QStringLiteral("%1: %2").arg(m_path, file.errorString()).toStdString());
    file.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    if (!file.commit())
        throw IniFileError(QStringLiteral("%1: %2").arg(m_path, file.errorString()).toStdString());
}

} // namespace vorenta
