#include "SnmpProfilesSetting.h"

#include "common/CollectorIdentity.h"
#include "common/IniFile.h"
#include "common/TextRules.h"

#include <QDir>

#include <optional>

namespace vorenta {

namespace {

using snmp::AuthProtocol;
using snmp::PrivProtocol;
using snmp::SnmpVersion;

// RFC 3414 11.2: shorter passwords give keys open to a dictionary search, and net-snmp agents
// refuse them.
constexpr int kShortestPassword = 8;

std::optional<SnmpVersion> VersionOf(const QString& text)
{
    if (text == u"1")
        return SnmpVersion::V1;
    if (text.compare(u"2c", Qt::CaseInsensitive) == 0)
        return SnmpVersion::V2c;
    if (text == u"3")
        return SnmpVersion::V3;
    return std::nullopt;
}

std::optional<AuthProtocol> AuthOf(const QString& text)
{
    static const std::pair<const char*, AuthProtocol> kNames[] = {
        {"none", AuthProtocol::None},      {"MD5", AuthProtocol::Md5},
        {"SHA", AuthProtocol::Sha1},       {"SHA-224", AuthProtocol::Sha224},
        {"SHA-256", AuthProtocol::Sha256}, {"SHA-384", AuthProtocol::Sha384},
        {"SHA-512", AuthProtocol::Sha512},
    };
    const QString name = text.isEmpty() ? QStringLiteral("none") : text;
    for (const auto& [known, protocol] : kNames) {
        if (name.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return protocol;
    }
    return std::nullopt;
}

std::optional<PrivProtocol> PrivOf(const QString& text)
{
    static const std::pair<const char*, PrivProtocol> kNames[] = {
        {"none", PrivProtocol::None},      {"DES", PrivProtocol::Des},        {"AES", PrivProtocol::Aes128},
        {"AES-192", PrivProtocol::Aes192}, {"AES-256", PrivProtocol::Aes256},
    };
    const QString name = text.isEmpty() ? QStringLiteral("none") : text;
    for (const auto& [known, protocol] : kNames) {
        if (name.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return protocol;
    }
    return std::nullopt;
}

std::optional<AddressSpan> SpanOf(const QString& piece)
{
    if (const qsizetype slash = piece.indexOf(u'/'); slash >= 0) {
        const std::optional<quint32> base = Ipv4Number(piece.left(slash));
        bool ok = false;
        const uint bits = piece.mid(slash + 1).trimmed().toUInt(&ok);
        if (!base || !ok || bits > 32)
            return std::nullopt;
        const quint32 mask = bits == 0 ? 0 : ~quint32{0} << (32 - bits);
        return AddressSpan{*base & mask, (*base & mask) | ~mask};
    }
    if (const qsizetype dash = piece.indexOf(u'-'); dash >= 0) {
        const std::optional<quint32> first = Ipv4Number(piece.left(dash));
        const std::optional<quint32> last = Ipv4Number(piece.mid(dash + 1));
        if (!first || !last || *first > *last)
            return std::nullopt;
        return AddressSpan{*first, *last};
    }
    const std::optional<quint32> single = Ipv4Number(piece);
    if (!single)
        return std::nullopt;
    return AddressSpan{*single, *single};
}

/// One [SNMP.nome] section; nothing, with the reason in `why`, when a value cannot be taken.
std::optional<SnmpProfile> ReadProfile(const IniFile& ini, const QString& name, QString* why)
{
    const QString section = QStringLiteral("SNMP.") + name;
    const auto value = [&](const char* key) { return ini.value(section, QLatin1String(key)); };
    SnmpProfile profile;
    profile.name = name;
    snmp::Credentials& credentials = profile.credentials;

    const QString versionText = value("Versao");
    const std::optional<SnmpVersion> version = VersionOf(versionText);
    if (!version) {
        *why = versionText.isEmpty() && !ini.contains(section, QStringLiteral("Versao"))
                   ? QStringLiteral("sem Versao em [%1]; escreva Versao=1, 2c ou 3").arg(section)
                   : QStringLiteral("Versao inválida (%1); use 1, 2c ou 3").arg(EscapedText(versionText));
        return std::nullopt;
    }
    credentials.version = *version;
    if (*version != SnmpVersion::V3) {
        credentials.community = value("Comunidade").toStdString();
        if (credentials.community.empty()) {
            *why = QStringLiteral("Comunidade vazia; escreva a comunidade dos dispositivos em [%1]")
                       .arg(section);
            return std::nullopt;
        }
    } else {
        credentials.community.clear();
        credentials.user = value("Usuario").toStdString();
        credentials.context = value("Contexto").toStdString();
        const QString authText = value("Autenticacao");
        const QString privText = value("Privacidade");
        const std::optional<AuthProtocol> auth = AuthOf(authText);
        const std::optional<PrivProtocol> priv = PrivOf(privText);
        credentials.authPassword = value("SenhaAutenticacao").toStdString();
        credentials.privPassword = value("SenhaPrivacidade").toStdString();
        if (credentials.user.empty()) {
            *why = QStringLiteral("Usuario vazio; escreva o usuário SNMPv3 em [%1]").arg(section);
            return std::nullopt;
        }
        if (!auth) {
            *why =
                QStringLiteral("Autenticacao inválida (%1); use none, MD5, SHA, SHA-224, SHA-256, SHA-384 ou "
                               "SHA-512")
                    .arg(EscapedText(authText));
            return std::nullopt;
        }
        if (!priv) {
            *why = QStringLiteral("Privacidade inválida (%1); use none, DES, AES, AES-192 ou AES-256")
                       .arg(EscapedText(privText));
            return std::nullopt;
        }
        credentials.auth = *auth;
        credentials.priv = *priv;
        if (*priv != PrivProtocol::None && *auth == AuthProtocol::None) {
            *why = QStringLiteral("Privacidade sem Autenticacao; escolha também a Autenticacao");
            return std::nullopt;
        }
        // The lengths are counted in octets, as the agent counts them; the passwords never reach a line.
        if (*auth != AuthProtocol::None && credentials.authPassword.size() < kShortestPassword) {
            *why = QStringLiteral("SenhaAutenticacao com menos de %1 caracteres").arg(kShortestPassword);
            return std::nullopt;
        }
        if (*priv != PrivProtocol::None && credentials.privPassword.size() < kShortestPassword) {
            *why = QStringLiteral("SenhaPrivacidade com menos de %1 caracteres").arg(kShortestPassword);
            return std::nullopt;
        }
    }

    const QString ranges = value("Faixas");
    if (!ranges.trimmed().isEmpty()) {
        QString bad;
        const std::optional<QList<AddressSpan>> spans = ParseAddressSpans(ranges, &bad);
        if (!spans) {
            *why = QStringLiteral(
                       "Faixas inválida (%1); use a.b.c.d/nn ou a.b.c.d-a.b.c.e, separadas por vírgulas")
                       .arg(EscapedText(bad));
            return std::nullopt;
        }
        profile.ranges = *spans;
    }
    return profile;
}

} // namespace

std::optional<QList<AddressSpan>> ParseAddressSpans(const QString& text, QString* bad)
{
    QList<AddressSpan> spans;
    for (const QString& raw : text.split(u',')) {
        const QString piece = raw.trimmed();
        if (piece.isEmpty())
            continue;
        const std::optional<AddressSpan> span = SpanOf(piece);
        if (!span) {
            *bad = piece;
            return std::nullopt;
        }
        spans.append(*span);
    }
    return spans;
}

SnmpProfilesSetting LoadSnmpProfiles(const QString& programFolder)
{
    SnmpProfilesSetting setting;
    try {
        const IniFile ini(QDir(programFolder).filePath(QString::fromLatin1(kCollectorIniName)));
        const QString section = QStringLiteral("SNMP");
        const QString names = ini.value(section, QStringLiteral("Perfis"));
        const QString publicText = ini.value(section, QStringLiteral("V1Public"));
        setting.configured = !names.trimmed().isEmpty() || ini.contains(section, QStringLiteral("V1Public"));
        if (!setting.configured)
            return setting;

        bool withPublic = true;
        if (publicText == u"0")
            withPublic = false;
        else if (!publicText.isEmpty() && publicText != u"1")
            setting.notices.append(QStringLiteral("V1Public inválido em Coletor.ini, usando 1: ") +
                                   EscapedText(publicText));
        if (withPublic)
            setting.profiles.append(PublicProfile());

        QStringList seen;
        for (const QString& raw : names.split(u',')) {
            const QString name = raw.trimmed();
            if (name.isEmpty())
                continue;
            if (seen.contains(name, Qt::CaseInsensitive)) {
                setting.notices.append(
                    QStringLiteral("Perfil SNMP %1 repetido em [SNMP] Perfis; vale o primeiro.")
                        .arg(EscapedText(name)));
                continue;
            }
            seen.append(name);
            QString why;
            if (std::optional<SnmpProfile> profile = ReadProfile(ini, name, &why))
                setting.profiles.append(std::move(*profile));
            else
                setting.notices.append(
                    QStringLiteral("Perfil SNMP %1 ignorado: %2.").arg(EscapedText(name), why));
        }
        if (setting.profiles.isEmpty()) {
            setting.notices.append(
                QStringLiteral("Nenhum perfil SNMP válido em Coletor.ini; usando SNMP v1 \"public\"."));
            setting.profiles.append(PublicProfile());
        }
    } catch (const IniFileError&) {
        return {};
    }
    return setting;
}

} // namespace vorenta
