// Coletor.ini's SNMP profiles: what is taken, and the line for what is not.
#include "collector/service/SnmpProfilesSetting.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using snmp::AuthProtocol;
using snmp::PrivProtocol;
using snmp::SnmpVersion;
using test::TemporaryProgramFolder;

SnmpProfilesSetting Load(const QByteArray& coletorIni)
{
    const TemporaryProgramFolder folder;
    folder.write("Coletor.ini", coletorIni);
    return LoadSnmpProfiles(folder.path());
}

TEST(SnmpProfilesSetting, TheExampleOfTheReadme)
{
    const SnmpProfilesSetting setting = Load("[SNMP]\r\nPerfis=escritorio,seguro\r\n"
                                             "[SNMP.escritorio]\r\nVersao=2c\r\nComunidade=empresa\r\n"
                                             "[SNMP.seguro]\r\nVersao=3\r\nUsuario=coletor\r\n"
                                             "Autenticacao=SHA-256\r\nSenhaAutenticacao=senha-longa-1\r\n"
                                             "Privacidade=AES\r\nSenhaPrivacidade=senha-longa-2\r\n"
                                             "Contexto=impressoras\r\n"
                                             "Faixas=10.1.2.0/24,10.1.3.5-10.1.3.40\r\n");
    ASSERT_TRUE(setting.configured);
    EXPECT_TRUE(setting.notices.isEmpty()) << setting.notices.join(u'\n').toStdString();
    ASSERT_EQ(setting.profiles.size(), 3);
    EXPECT_TRUE(setting.profiles[0].implicitPublic);
    EXPECT_EQ(setting.profiles[0].credentials.version, SnmpVersion::V1);
    EXPECT_EQ(setting.profiles[0].credentials.community, "public");
    EXPECT_EQ(setting.profiles[1].name, u"escritorio");
    EXPECT_EQ(setting.profiles[1].credentials.version, SnmpVersion::V2c);
    EXPECT_EQ(setting.profiles[1].credentials.community, "empresa");
    EXPECT_TRUE(setting.profiles[1].covers("192.168.7.7"));
    const SnmpProfile& seguro = setting.profiles[2];
    EXPECT_EQ(seguro.credentials.version, SnmpVersion::V3);
    EXPECT_EQ(seguro.credentials.user, "coletor");
    EXPECT_EQ(seguro.credentials.auth, AuthProtocol::Sha256);
    EXPECT_EQ(seguro.credentials.authPassword, "senha-longa-1");
    EXPECT_EQ(seguro.credentials.priv, PrivProtocol::Aes128);
    EXPECT_EQ(seguro.credentials.privPassword, "senha-longa-2");
    EXPECT_EQ(seguro.credentials.context, "impressoras");
    const struct {
        const char* address;
        bool covered;
    } addresses[] = {
        {"10.1.2.0", true},  {"10.1.2.7", true}, {"10.1.2.255", true}, {"10.1.1.255", false},
        {"10.1.3.4", false}, {"10.1.3.5", true}, {"10.1.3.40", true},  {"10.1.3.41", false},
        {"10.1.4.7", false}, {"nome", false},
    };
    for (const auto& a : addresses)
        EXPECT_EQ(seguro.covers(a.address), a.covered) << a.address;
}

TEST(SnmpProfilesSetting, WithoutTheSectionNothingChanges)
{
    const char* files[] = {"", "[COLETOR]\r\nChave=K1\r\n", "[SNMP]\r\n", "[SNMP]\r\nPerfis=\r\n",
                           "[SNMP.escritorio]\r\nVersao=2c\r\nComunidade=empresa\r\n"};
    for (const char* file : files) {
        const SnmpProfilesSetting setting = Load(file);
        EXPECT_FALSE(setting.configured) << file;
        EXPECT_TRUE(setting.notices.isEmpty()) << file;
    }
    EXPECT_FALSE(LoadSnmpProfiles(TemporaryProgramFolder().path()).configured) << "no Coletor.ini";
}

TEST(SnmpProfilesSetting, V1PublicAndTheListOrder)
{
    const struct {
        const char* snmp;  // the [SNMP] lines
        const char* names; // the profiles taken, in order
        int notices;
    } cases[] = {
        {"Perfis=b,a", "public,b,a", 0},
        {"Perfis=b,a\r\nV1Public=1", "public,b,a", 0},
        {"Perfis=b,a\r\nV1Public=0", "b,a", 0},
        {"Perfis= a , b ,, a", "public,a,b", 1}, // blanks dropped, the repeated one said
        {"Perfis=a\r\nV1Public=nao", "public,a", 1},
        {"V1Public=0", "public", 1}, // nothing left to ask with: v1 "public", with a line
        {"Perfis=semsecao\r\nV1Public=0", "public", 2},
    };
    for (const auto& c : cases) {
        const SnmpProfilesSetting setting = Load(QByteArray("[SNMP]\r\n") + c.snmp +
                                                 "\r\n[SNMP.a]\r\nVersao=1\r\nComunidade=ca\r\n"
                                                 "[SNMP.b]\r\nVersao=2c\r\nComunidade=cb\r\n");
        QStringList names;
        for (const SnmpProfile& profile : setting.profiles)
            names.append(profile.name);
        EXPECT_EQ(names.join(u','), QString::fromLatin1(c.names)) << c.snmp;
        EXPECT_EQ(setting.notices.size(), c.notices)
            << c.snmp << ": " << setting.notices.join(u'\n').toStdString();
    }
}

// Every value that cannot be taken leaves its profile out with one line naming the key, what was
// written and what would do; a password is never in it.
TEST(SnmpProfilesSetting, BadValuesAreSaidAndTheProfileLeftOut)
{
    const struct {
        const char* section;
        const char* line;
    } cases[] = {
        {"Comunidade=x", "Perfil SNMP p ignorado: sem Versao em [SNMP.p]; escreva Versao=1, 2c ou 3."},
        {"Versao=2\r\nComunidade=x", "Perfil SNMP p ignorado: Versao inválida (2); use 1, 2c ou 3."},
        {"Versao=v3", "Perfil SNMP p ignorado: Versao inválida (v3); use 1, 2c ou 3."},
        {"Versao=2c", "Perfil SNMP p ignorado: Comunidade vazia; escreva a comunidade dos dispositivos em "
                      "[SNMP.p]."},
        {"Versao=3\r\nAutenticacao=SHA\r\nSenhaAutenticacao=segredo-longo",
         "Perfil SNMP p ignorado: Usuario vazio; escreva o usuário SNMPv3 em [SNMP.p]."},
        {"Versao=3\r\nUsuario=u\r\nAutenticacao=SHA-1024\r\nSenhaAutenticacao=segredo-longo",
         "Perfil SNMP p ignorado: Autenticacao inválida (SHA-1024); use none, MD5, SHA, SHA-224, SHA-256, "
         "SHA-384 ou SHA-512."},
        {"Versao=3\r\nUsuario=u\r\nAutenticacao=SHA\r\nSenhaAutenticacao=segredo-longo\r\nPrivacidade="
         "3DES\r\n"
         "SenhaPrivacidade=segredo-longo",
         "Perfil SNMP p ignorado: Privacidade inválida (3DES); use none, DES, AES, AES-192 ou AES-256."},
        {"Versao=3\r\nUsuario=u\r\nPrivacidade=AES\r\nSenhaPrivacidade=segredo-longo",
         "Perfil SNMP p ignorado: Privacidade sem Autenticacao; escolha também a Autenticacao."},
        {"Versao=3\r\nUsuario=u\r\nAutenticacao=MD5\r\nSenhaAutenticacao=curta7!",
         "Perfil SNMP p ignorado: SenhaAutenticacao com menos de 8 caracteres."},
        {"Versao=3\r\nUsuario=u\r\nAutenticacao=MD5\r\nSenhaAutenticacao=segredo-longo\r\nPrivacidade=DES",
         "Perfil SNMP p ignorado: SenhaPrivacidade com menos de 8 caracteres."},
        {"Versao=2c\r\nComunidade=x\r\nFaixas=10.0.0.0/33",
         "Perfil SNMP p ignorado: Faixas inválida (10.0.0.0/33); use a.b.c.d/nn ou a.b.c.d-a.b.c.e, "
         "separadas "
         "por vírgulas."},
        {"Versao=2c\r\nComunidade=x\r\nFaixas=10.0.0.1,10.0.0.9-10.0.0.2",
         "Perfil SNMP p ignorado: Faixas inválida (10.0.0.9-10.0.0.2); use a.b.c.d/nn ou a.b.c.d-a.b.c.e, "
         "separadas por vírgulas."},
        {"Versao=2c\r\nComunidade=x\r\nFaixas=10.0.0",
         "Perfil SNMP p ignorado: Faixas inválida (10.0.0); use a.b.c.d/nn ou a.b.c.d-a.b.c.e, separadas por "
         "vírgulas."},
    };
    for (const auto& c : cases) {
        const SnmpProfilesSetting setting =
            Load(QByteArray("[SNMP]\r\nPerfis=p\r\n[SNMP.p]\r\n") + c.section);
        ASSERT_EQ(setting.profiles.size(), 1) << c.section;
        EXPECT_TRUE(setting.profiles[0].implicitPublic) << c.section;
        ASSERT_EQ(setting.notices.size(), 1) << c.section;
        EXPECT_EQ(setting.notices[0], QString::fromUtf8(c.line)) << c.section;
        EXPECT_FALSE(setting.notices[0].contains(u"segredo")) << c.section;
        EXPECT_FALSE(setting.notices[0].contains(u"curta7")) << c.section;
    }
}

TEST(SnmpProfilesSetting, ProtocolNamesInAnyLetterCase)
{
    const struct {
        const char* auth;
        AuthProtocol authProtocol;
        const char* priv;
        PrivProtocol privProtocol;
    } cases[] = {
        {"md5", AuthProtocol::Md5, "des", PrivProtocol::Des},
        {"SHA", AuthProtocol::Sha1, "AES", PrivProtocol::Aes128},
        {"sha-224", AuthProtocol::Sha224, "aes-192", PrivProtocol::Aes192},
        {"SHA-384", AuthProtocol::Sha384, "AES-256", PrivProtocol::Aes256},
        {"SHA-512", AuthProtocol::Sha512, "none", PrivProtocol::None},
        {"none", AuthProtocol::None, "", PrivProtocol::None},
    };
    for (const auto& c : cases) {
        const SnmpProfilesSetting setting =
            Load(QByteArray("[SNMP]\r\nPerfis=p\r\nV1Public=0\r\n[SNMP.p]\r\nVersao=3\r\nUsuario=u\r\n") +
                 "Autenticacao=" + c.auth + "\r\nSenhaAutenticacao=segredo-longo\r\nPrivacidade=" + c.priv +
                 "\r\nSenhaPrivacidade=segredo-longo\r\n");
        ASSERT_EQ(setting.profiles.size(), 1) << c.auth;
        EXPECT_EQ(setting.profiles[0].credentials.auth, c.authProtocol) << c.auth;
        EXPECT_EQ(setting.profiles[0].credentials.priv, c.privProtocol) << c.priv;
    }
}

} // namespace
} // namespace vorenta
