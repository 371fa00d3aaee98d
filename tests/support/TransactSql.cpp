#include "TransactSql.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <stdexcept>

namespace vorenta::test {

std::optional<QList<int>> UnparsableAsTsql(const QStringList& statements, QString* missing)
{
    if (QStandardPaths::findExecutable(QStringLiteral("sqlfluff")).isEmpty()) {
        *missing = QStringLiteral("sqlfluff (Debian package sqlfluff)");
        return std::nullopt;
    }
    // sqlfluff parses a folder of files in one run: a statement a file, named by its index.
    QTemporaryDir folder;
    if (!folder.isValid())
        throw std::runtime_error("no temporary folder for sqlfluff");
    for (qsizetype i = 0; i < statements.size(); ++i) {
        QFile file(folder.filePath(QString::number(i) + QStringLiteral(".sql")));
        if (!file.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write " + file.fileName().toStdString());
        file.write(statements[i].toUtf8() + "\n");
    }
    QProcess sqlfluff;
    sqlfluff.start(QStringLiteral("sqlfluff"), {QStringLiteral("parse"), QStringLiteral("--dialect"),
                                                QStringLiteral("tsql"), QStringLiteral("--format"),
                                                QStringLiteral("json"), folder.path()});
    if (!sqlfluff.waitForFinished(120000))
        throw std::runtime_error("sqlfluff did not end within 120 s");
    const QJsonDocument parsed = QJsonDocument::fromJson(sqlfluff.readAllStandardOutput());
    if (!parsed.isArray() || parsed.array().size() != statements.size())
        throw std::runtime_error("sqlfluff gave no verdict per statement: " +
                                 sqlfluff.readAllStandardError().toStdString());
    QList<int> unparsable;
    for (const QJsonValue& file : parsed.array()) {
        const QByteArray tree = QJsonDocument(file.toObject()).toJson(QJsonDocument::Compact);
        if (tree.contains("\"unparsable\"") || file.toObject().value(QStringLiteral("segments")).isNull())
            unparsable << QFileInfo(file.toObject().value(QStringLiteral("filepath")).toString()).baseName().toInt();
    }
    std::sort(unparsable.begin(), unparsable.end());
    return unparsable;
}

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
