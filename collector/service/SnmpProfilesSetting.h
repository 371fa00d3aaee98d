#pragma once

#include "collector/probing/SnmpProfiles.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vorenta {

/// Coletor.ini's [SNMP] section and its [SNMP.nome] profiles, as the collector takes them.
struct SnmpProfilesSetting {
    /// False without [SNMP] Perfis and V1Public: the collector speaks v1 "public" as it always did,
    /// through the same code and with the same request bytes.
    bool configured = false;
    /// The profiles in the order they are tried, the implicit v1 "public" first unless V1Public=0.
    QList<SnmpProfile> profiles;
    /// One line for the log per value that could not be taken (the profile is left out). Secrets
    /// never appear in them.
    QStringList notices;
};

/// Reads [SNMP] Perfis (names separated by commas) and V1Public, then each [SNMP.nome]: Versao
/// (1, 2c, 3), Comunidade, Usuario, Autenticacao, SenhaAutenticacao, Privacidade,
/// SenhaPrivacidade, Contexto and Faixas (a.b.c.d/nn or a.b.c.d-a.b.c.e, separated by commas).
/// A file that cannot be read gives the unconfigured setting: the identity's reading of the same
/// file has said why.
SnmpProfilesSetting LoadSnmpProfiles(const QString& programFolder);

/// One Faixas text as address spans; nothing, with the piece that is wrong in `bad`, when any
/// piece is neither a CIDR block, a first-last pair nor a single address.
std::optional<QList<AddressSpan>> ParseAddressSpans(const QString& text, QString* bad);

} // namespace vorenta
