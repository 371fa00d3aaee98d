#pragma once

#include <QString>
#include <QTemporaryDir>

namespace vorenta::test {

/// A fresh, empty program folder (LOG.TXT, Contatos.ini, Coletor.ini, ... go here), removed at
/// the end of the test.
class TemporaryProgramFolder {
public:
    TemporaryProgramFolder();

    /// The folder, ending with '/'.
    QString path() const;
    QString file(const QString& name) const;

    /// Writes `content` (UTF-8) to `name` in the folder, replacing it.
    void write(const QString& name, const QByteArray& content) const;
    QByteArray read(const QString& name) const;

    /// Writes Coletor.ini with [COLETOR] Chave/IDServ/LocalInstal/DataExp and any extra lines.
    void writeIdentity(const QString& chave, const QString& idServ, const QString& localInstal = {},
                       const QString& dataExp = {}, const QByteArray& extra = {}) const;

private:
    QTemporaryDir m_dir;
};

} // namespace vorenta::test
