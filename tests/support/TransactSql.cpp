#include "TransactSql.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

namespace vorenta::test {

QStringList ParseTransactSql(const QStringList& statements, QString* missing)
{
    const QString modules =
        qEnvironmentVariable("VORENTA_NODE_MODULES", QStringLiteral(VORENTA_NODE_MODULES));
    if (!QFile::exists(modules + QStringLiteral("/node-sql-parser/package.json"))) {
        *missing =
            QStringLiteral("node-sql-parser in ") + modules + QStringLiteral(" (scripts/lib/packages.sh)");
        return {};
    }
    QProcess node;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NODE_PATH"), modules);
    node.setProcessEnvironment(environment);
    node.start(QStringLiteral("node"),
               {QStringLiteral(VORENTA_SOURCE_DIR "/tests/support/TransactSqlParse.js")});
    if (!node.waitForStarted(10000)) {
        *missing = QStringLiteral("node (Debian package nodejs)");
        return {};
    }
    node.write(statements.join(QChar(0)).toUtf8());
    node.closeWriteChannel();
    if (!node.waitForFinished(60000)) {
        node.kill();
        node.waitForFinished(5000);
        return {QStringLiteral("erro: node did not finish parsing within 60 s")};
    }
    return QString::fromUtf8(node.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace vorenta::test
