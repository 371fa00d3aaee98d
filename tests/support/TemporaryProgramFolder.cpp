#include "TemporaryProgramFolder.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

namespace vorenta::test {

TemporaryProgramFolder::TemporaryProgramFolder()
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary program folder");
}

QString TemporaryProgramFolder::path() const
{
    return m_dir.path() + u'/';
}

QString TemporaryProgramFolder::file(const QString& name) const
{
    return QDir(m_dir.path()).filePath(name);
}

void TemporaryProgramFolder::write(const QString& name, const QByteArray& content) const
{
    QFile out(file(name));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(content) != content.size())
        throw std::runtime_error("cannot write " + name.toStdString());
}

QByteArray TemporaryProgramFolder::read(const QString& name) const
{
    QFile in(file(name));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return in.readAll();
}

void TemporaryProgramFolder::writeIdentity(const QString& chave, const QString& idServ,
                                           const QString& localInstal, const QString& dataExp,
                                           const QByteArray& extra) const
{
    QByteArray ini = "[COLETOR]\r\n";
    ini += "Chave=" + chave.toUtf8() + "\r\n";
    ini += "IDServ=" + idServ.toUtf8() + "\r\n";
    ini += "LocalInstal=" + localInstal.toUtf8() + "\r\n";
    ini += "DataExp=" + dataExp.toUtf8() + "\r\n";
    ini += extra;
    write(QStringLiteral("Coletor.ini"), ini);
}

} // namespace vorenta::test
