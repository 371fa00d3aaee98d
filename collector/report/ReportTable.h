#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vorenta {

class SqlQuery;

/// A column of a printed report: its header (the view's column name) and whether it holds
/// numbers, which a table aligns to the right.
struct ReportColumn {
    QString name;
    bool numeric = false;
};

/// The rows of a report as texts (a NULL is the empty text), printed for a terminal or a
/// spreadsheet.
struct ReportTable {
    QList<ReportColumn> columns;
    QList<QStringList> rows;

    /// A header line, a line of dashes and one line per row, each ending in a line break; columns
    /// as wide as their widest value, two blanks apart. Device texts are escaped (EscapedText), so
    /// a line break or a control character read from a printer cannot break the table.
    QString aligned() const;

    /// CSV as spreadsheets in Portuguese read it: a header row, ';' between fields, a line break
    /// after each row. A field holding ';', '"' or a line break is quoted, its quotes doubled. A
    /// text field that a spreadsheet would take for a formula (=, +, @, or - before a letter) gets
    /// a leading apostrophe: device texts come from the network.
    QString csv() const;
};

/// The rows of an opened query, the `columns` of each read by name as text.
ReportTable ReportFromQuery(SqlQuery& query, QList<ReportColumn> columns);

} // namespace vorenta
