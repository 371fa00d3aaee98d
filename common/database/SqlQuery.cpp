#include "SqlQuery.h"

#include "common/TextRules.h"
#include "common/database/DatabaseConnection.h"
#include "common/database/DatabaseError.h"

#include <QSqlError>
#include <QSqlRecord>

namespace vorenta {

namespace {

const QString kIsoDateTime = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// A bound on what one query keeps prepared: a query whose text keeps changing starts afresh.
constexpr std::size_t kMaxPrepared = 32;

bool isNameStart(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

bool isNamePart(QChar c)
{
    return isNameStart(c) || (c >= u'0' && c <= u'9');
}

/// The index just after a quoted section that starts at `from` with `open` and ends with `close`;
/// a doubled closing character stays inside (SQL's '' and "" escapes).
qsizetype skipQuoted(const QString& text, qsizetype from, QChar close)
{
    qsizetype i = from + 1;
    while (i < text.size()) {
        if (text[i] == close) {
            if (i + 1 < text.size() && text[i + 1] == close && close != u']') {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i;
}

} // namespace

SqlQuery::SqlQuery(DatabaseConnection& connection)
    : m_connection(connection), m_generation(connection.generation())
{
}

SqlQuery::~SqlQuery() = default;

void SqlQuery::close()
{
    // finish() ends the result and keeps the statement prepared. A result left open would hold
    // a read snapshot (SQLite), which a later write of this connection could not move past.
    if (m_query != nullptr && m_generation == m_connection.generation())
        m_query->finish();
    m_query = nullptr;
    m_unprepared.reset();
    m_hasRows = false;
}

void SqlQuery::clearStatement()
{
    close();
    m_lines.clear();
    m_values.clear();
}

void SqlQuery::setStatement(Statement statement)
{
    clearStatement();
    m_lines.append(StatementCatalogue::of(m_connection.dialect().backend()).text(statement));
}

void SqlQuery::addLine(const QString& line)
{
    m_lines.append(line);
}

void SqlQuery::bindText(const QString& name, const QString& value)
{
    // Drivers send a null QString as SQL NULL; the programs mean the empty text.
    m_values.insert(LowerAscii(name), value.isNull() ? QStringLiteral("") : value);
}

void SqlQuery::bindInteger(const QString& name, qint64 value)
{
    m_values.insert(LowerAscii(name), value);
}

void SqlQuery::bindDateTime(const QString& name, const QDateTime& value)
{
    if (!value.isValid()) {
        bindNull(name);
        return;
    }
    // QPSQL would send a QDateTime converted to UTC, shifting the wall-clock time by the zone
    // offset; ISO text is read the same way by every server whatever its date order.
    if (m_connection.settings().backend == DatabaseBackend::SqlServer)
        m_values.insert(LowerAscii(name), value);
    else
        m_values.insert(LowerAscii(name), value.toString(kIsoDateTime));
}

void SqlQuery::bindNull(const QString& name)
{
    m_values.insert(LowerAscii(name), QVariant(QMetaType::fromType<QString>()));
}

SqlQuery::Positional SqlQuery::toPositional(const QString& statement)
{
    Positional result;
    const qsizetype size = statement.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = statement[i];
        qsizetype next = i + 1;
        if (c == u'\'' || c == u'"') {
            next = skipQuoted(statement, i, c);
        } else if (c == u'[') {
            next = skipQuoted(statement, i, u']');
        } else if (c == u'-' && i + 1 < size && statement[i + 1] == u'-') {
            next = statement.indexOf(u'\n', i);
            next = next < 0 ? size : next;
        } else if (c == u'/' && i + 1 < size && statement[i + 1] == u'*') {
            next = statement.indexOf(QStringLiteral("*/"), i + 2);
            next = next < 0 ? size : next + 2;
        } else if (c == u':' && i + 1 < size && isNameStart(statement[i + 1]) &&
                   (i == 0 || (statement[i - 1] != u':' && !isNamePart(statement[i - 1])))) {
            qsizetype end = i + 1;
            while (end < size && isNamePart(statement[end]))
                ++end;
            result.names.append(LowerAscii(statement.mid(i + 1, end - i - 1)));
            result.sql += u'?';
            i = end;
            continue;
        }
        result.sql += QStringView(statement).mid(i, next - i);
        i = next;
    }
    return result;
}

void SqlQuery::open()
{
    run(true);
}

void SqlQuery::execute()
{
    run(false);
}

void SqlQuery::run(bool returnsRows)
{
    close();
    if (m_generation != m_connection.generation()) {
        m_prepared.clear(); // their Qt connection is gone with its driver: nothing asks the server
        m_generation = m_connection.generation();
    }
    m_connection.checkReady();
    const Positional positional = toPositional(statement());
    if (positional.names.isEmpty()) {
        m_unprepared.emplace(m_connection.database());
        if (!m_unprepared->exec(positional.sql)) {
            const QSqlError error = m_unprepared->lastError();
            m_unprepared.reset();
            m_connection.throwFailure(error);
        }
        m_query = &*m_unprepared;
    } else {
        QVariantList values;
        for (const QString& name : positional.names) {
            const auto found = m_values.constFind(name);
            if (found == m_values.constEnd())
                throw DatabaseError(QStringLiteral("parâmetro sem valor: ") + name);
            values.append(*found);
        }
        bool reused = false;
        QSqlQuery* query = &prepared(positional.sql, reused);
        if (!execPrepared(*query, values)) {
            const QSqlError error = query->lastError();
            m_prepared.erase(positional.sql);
            // A statement prepared earlier may have gone stale: PostgreSQL refuses to run a kept
            // "select *" once its table has gained a column. Outside a transaction nothing of the
            // failed run stayed, so it runs once more, prepared afresh.
            const bool retry = reused && !m_connection.inTransaction() && !m_connection.cancelled() &&
                               m_connection.isUsable();
            if (!retry)
                m_connection.throwFailure(error);
            query = &prepared(positional.sql, reused);
            if (!execPrepared(*query, values)) {
                const QSqlError again = query->lastError();
                m_prepared.erase(positional.sql);
                m_connection.throwFailure(again);
            }
        }
        m_query = query;
    }
    if (returnsRows)
        m_hasRows = m_query->first();
}

QSqlQuery& SqlQuery::prepared(const QString& sql, bool& reused)
{
    const auto found = m_prepared.find(sql);
    reused = found != m_prepared.end();
    if (reused)
        return *found->second;
    if (m_prepared.size() >= kMaxPrepared)
        m_prepared.clear();
    auto query = std::make_unique<QSqlQuery>(m_connection.database());
    if (!query->prepare(sql))
        m_connection.throwFailure(query->lastError());
    return *m_prepared.emplace(sql, std::move(query)).first->second;
}

bool SqlQuery::execPrepared(QSqlQuery& query, const QVariantList& values)
{
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(static_cast<int>(i), values[i]);
    return query.exec();
}

void SqlQuery::first()
{
    if (m_query)
        m_query->first();
}

void SqlQuery::next()
{
    if (m_query)
        m_query->next();
}

bool SqlQuery::atEnd() const
{
    return !m_query || !m_query->isValid();
}

int SqlQuery::rowsAffected() const
{
    return m_query ? m_query->numRowsAffected() : -1;
}

QVariant SqlQuery::value(const QString& column) const
{
    if (atEnd())
        throw DatabaseError(QStringLiteral("nenhuma linha atual ao ler a coluna ") + column);
    const QSqlRecord record = m_query->record();
    for (int i = 0; i < record.count(); ++i) {
        if (record.fieldName(i).compare(column, Qt::CaseInsensitive) == 0)
            return m_query->value(i);
    }
    throw DatabaseError(QStringLiteral("coluna inexistente: ") + column);
}

QString SqlQuery::text(const QString& column) const
{
    const QVariant v = value(column);
    if (v.isNull())
        return QStringLiteral("");
    if (v.metaType() == QMetaType::fromType<QDateTime>())
        return v.toDateTime().toString(kIsoDateTime);
    return v.toString();
}

qint64 SqlQuery::integer(const QString& column) const
{
    const QVariant v = value(column);
    if (v.isNull())
        return 0;
    bool ok = false;
    const qint64 number = v.toLongLong(&ok);
    if (!ok)
        throw DatabaseError(QStringLiteral("valor não é um número inteiro na coluna ") + column);
    return number;
}

QDateTime SqlQuery::dateTime(const QString& column) const
{
    const QVariant v = value(column);
    if (v.isNull())
        return {};
    if (v.metaType() == QMetaType::fromType<QDateTime>())
        return v.toDateTime();
    // SQLite keeps dates as ISO texts.
    const QString text = Trim(v.toString());
    QDateTime parsed = QDateTime::fromString(text.left(19), kIsoDateTime);
    if (!parsed.isValid())
        parsed = QDateTime::fromString(text, Qt::ISODate);
    if (!parsed.isValid())
        throw DatabaseError(QStringLiteral("valor não é uma data na coluna ") + column);
    return parsed;
}

bool SqlQuery::isNull(const QString& column) const
{
    return value(column).isNull();
}

} // namespace vorenta
