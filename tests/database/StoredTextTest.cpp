#include "collector/database/DadosOidColumns.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace vorenta {
namespace {

// The store's width table is the schema's: a column widened or added in the schema files and not
// in the table (or the other way round) would bring back the values the server refuses.
TEST(StoredText, WidthTableMatchesEverySchemaFile)
{
    const QStringList tables{"DadosOid", "ListaEquipCli", "UltLog", "alerta", "exclusao"};
    static const QRegularExpression createTable(QStringLiteral("^CREATE TABLE (\\w+)"));
    static const QRegularExpression textColumn(QStringLiteral("^\\s+(\\w+) n?varchar\\((\\d+)\\)"));
    for (const char* file : {"sqlite.sql", "postgresql.sql", "sqlserver.sql"}) {
        SCOPED_TRACE(file);
        QFile schema(QStringLiteral(VORENTA_SOURCE_DIR "/common/database/schema/") +
                     QString::fromLatin1(file));
        ASSERT_TRUE(schema.open(QIODevice::ReadOnly));
        QString table;
        int checked = 0;
        for (const QString& line : QString::fromUtf8(schema.readAll()).split(u'\n')) {
            if (const auto created = createTable.match(line); created.hasMatch())
                table = created.captured(1);
            const auto column = textColumn.match(line);
            if (!column.hasMatch() || !tables.contains(table))
                continue;
            EXPECT_EQ(TextColumnWidth(column.captured(1)), column.captured(2).toInt())
                << table.toStdString() << "." << column.captured(1).toStdString();
            ++checked;
        }
        EXPECT_EQ(checked, 68) << "text columns of the five tables";
    }
}

TEST(StoredText, NulIsWrittenOutAndTheTextCutToItsColumn)
{
    const QChar nul(0);
    const struct {
        const char* column;
        QString text;
        QString stored;
    } cases[] = {
        {"NSerie", "X1", "X1"},
        {"NSerie", QString("A") + nul + "B", "A\\x00B"},
        {"nserie", QString(nul) + nul, "\\x00\\x00"}, // names in any letter case
        {"Falha", QString(60, u'f'), QString(50, u'f')},
        {"IP", QString(18, u'1') + nul, QString(18, u'1') + "\\x"}, // the written-out NUL is cut too
        {"tel1", QString(19, u't') + QChar(0xD83D) + QChar(0xDDA8), QString(19, u't')}, // no half character
        {"StatusEquip", QString(" \t"), QString(" \t")}, // trimming is the caller's
        {"Chave", QString(), QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        EXPECT_EQ(StoredText(QString::fromLatin1(c.column), c.text), c.stored);
    }
}

} // namespace
} // namespace vorenta
