#pragma once

#include "collector/probing/ModelOidTable.h"
#include "collector/service/walk/OwnerCalls.h"

#include <QHash>
#include <QPair>
#include <QString>

#include <mutex>
#include <optional>

namespace vorenta {

class LogSink;

/// Table Oid as looked up during one pass, by model and name: rows do not change under a pass,
/// so each is read once. Shared by the probing threads.
class PassModelOids {
public:
    using Key = QPair<QString, QString>;

    /// What was found for `key` this pass (an OID, or none); nothing when not looked up yet.
    std::optional<std::optional<QString>> known(const Key& key) const;
    void remember(const Key& key, const std::optional<QString>& oid);
    /// Rows changed since the last pass apply from this one.
    void clear();

private:
    mutable std::mutex m_mutex;
    QHash<Key, std::optional<QString>> m_oids;
};

/// Table Oid for a probing thread: the lookups are made by the owner through `calls`, on its
/// connection, and kept in `pass`; what they log joins the address's `lines`.
class OwnerModelOids final : public ModelOidTable {
public:
    OwnerModelOids(OwnerCalls& calls, ModelOidTable& table, PassModelOids& pass, LogSink& lines)
        : m_calls(calls), m_table(table), m_pass(pass), m_lines(lines)
    {
    }

    bool ConnectDatabase() override;
    std::optional<QString> BuscaOid(const QString& Modelo, const QString& NomeInfo) override;

private:
    OwnerCalls& m_calls;
    ModelOidTable& m_table;
    PassModelOids& m_pass;
    LogSink& m_lines;
};

} // namespace vorenta
