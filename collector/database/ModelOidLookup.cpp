#include "ModelOidLookup.h"

#include "collector/database/DadosOidColumns.h"

namespace vorenta {

std::optional<QString> ModelOidLookup::BuscaOid(const QString& Modelo, const QString& NomeInfo)
{
    SqlQuery& query = m_dataModule.QryBuscaOid;
    // The model and the name are bound, not pasted: a model text may hold a quote. The model is
    // compared in the form DadosOid stores it, the form staff copy into table Oid.
    query.setStatement(Statement::ModelOid);
    query.bindText(QStringLiteral("xModelo"), StoredText(QStringLiteral("Modelo"), Modelo));
    query.bindText(QStringLiteral("xNomeInfo"), NomeInfo);
    query.open();
    std::optional<QString> oid;
    if (query.hasRows())
        oid = query.text(QStringLiteral("OID"));
    query.close();
    return oid;
}

} // namespace vorenta
