#include "ReportTable.h"

#include "common/TextRules.h"
#include "common/database/SqlQuery.h"

#include <algorithm>
#include <utility>

namespace vorenta {

namespace {

QString csvField(const QString& value, bool numeric)
{
    QString field = value;
    if (!numeric && !field.isEmpty()) {
        const QChar first = field.front();
        const bool formula = first == u'=' || first == u'+' || first == u'@' ||
                             (first == u'-' && field.size() > 1 && !field[1].isDigit());
        if (formula)
            field.prepend(u'\'');
    }
    if (field.contains(u';') || field.contains(u'"') || field.contains(u'\n') || field.contains(u'\r'))
        field = u'"' + field.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return field;
}

} // namespace

ReportTable ReportFromQuery(SqlQuery& query, QList<ReportColumn> columns)
{
    ReportTable table;
    table.columns = std::move(columns);
    for (; !query.atEnd(); query.next()) {
        QStringList row;
        for (const ReportColumn& column : table.columns)
            row.append(query.text(column.name));
        table.rows.append(row);
    }
    return table;
}

QString ReportTable::aligned() const
{
    QList<QStringList> cells;
    cells.append(QStringList());
    for (const ReportColumn& column : columns)
        cells.first().append(column.name);
    for (const QStringList& row : rows) {
        QStringList escaped;
        for (const QString& value : row)
            escaped.append(EscapedText(value));
        cells.append(escaped);
    }
    QList<qsizetype> widths(columns.size(), 0);
    for (const QStringList& line : cells) {
        for (qsizetype i = 0; i < columns.size() && i < line.size(); ++i)
            widths[i] = std::max(widths[i], line[i].size());
    }
    QString text;
    auto appendLine = [&](const QStringList& line) {
        QString out;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const QString value = i < line.size() ? line[i] : QString();
            if (i > 0)
                out += QStringLiteral("  ");
            out += columns[i].numeric ? value.rightJustified(widths[i]) : value.leftJustified(widths[i]);
        }
        // Padding after the last column is noise in a terminal and in a diff.
        while (out.endsWith(u' '))
            out.chop(1);
        text += out + u'\n';
    };
    appendLine(cells.first());
    QStringList dashes;
    for (const qsizetype width : widths)
        dashes.append(QString(width, u'-'));
    appendLine(dashes);
    for (qsizetype i = 1; i < cells.size(); ++i)
        appendLine(cells[i]);
    return text;
}

QString ReportTable::csv() const
{
    QString text;
    QStringList header;
    for (const ReportColumn& column : columns)
        header.append(csvField(column.name, true));
    text += header.join(u';') + u'\n';
    for (const QStringList& row : rows) {
        QStringList fields;
        for (qsizetype i = 0; i < columns.size(); ++i)
            fields.append(csvField(i < row.size() ? row[i] : QString(), columns[i].numeric));
        text += fields.join(u';') + u'\n';
    }
    return text;
}

} // namespace vorenta
