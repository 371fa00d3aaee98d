#pragma once

#include <QString>

#include <stdexcept>

namespace vorenta {

/// Raised when an INI file cannot be read or written; the message carries the system's text.
class IniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A small INI reader and writer with Windows profile semantics: section and key names match
/// without regard to letter case, blanks around names and values are dropped, a value wrapped in
/// one pair of double quotes loses them, lines starting with ';' or '#' are comments. Files are
/// read as UTF-8, or as Windows-1252 when they are not valid UTF-8 (files edited on Windows);
/// they are written as UTF-8 with CRLF line ends.
class IniFile {
public:
    explicit IniFile(QString path);

    const QString& path() const { return m_path; }
    bool exists() const;

    /// The key's value, or `fallback` when the file, the section or the key is missing.
    /// Throws IniFileError when the file exists but cannot be read.
    QString value(const QString& section, const QString& key, const QString& fallback = {}) const;

    /// True when the section holds the key. Throws IniFileError as value() does.
    bool contains(const QString& section, const QString& key) const;

    /// Sets one key, creating the file and the section when missing and keeping every other line
    /// as it was. Throws IniFileError when the file cannot be written.
    void setValue(const QString& section, const QString& key, const QString& value);

private:
    QString m_path;
};

} // namespace vorenta
