#include "collector/snmp/UsmCrypto.h"

#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/provider.h>
#include <openssl/rand.h>

#include <algorithm>
#include <memory>

namespace vorenta::snmp {

namespace {

const char* DigestName(AuthProtocol auth)
{
    switch (auth) {
    case AuthProtocol::Md5:
        return "MD5";
    case AuthProtocol::Sha1:
        return "SHA1";
    case AuthProtocol::Sha224:
        return "SHA224";
    case AuthProtocol::Sha256:
        return "SHA256";
    case AuthProtocol::Sha384:
        return "SHA384";
    case AuthProtocol::Sha512:
        return "SHA512";
    case AuthProtocol::None:
        break;
    }
    return nullptr;
}

// DES lives in OpenSSL 3's legacy provider. Loading any provider stops the default one from
// loading by itself, so both are loaded, once, before the first digest or cipher is fetched, and
// given back at exit (a provider left loaded is a leak to the sanitizers).
class Providers {
public:
    Providers()
        : m_default(OSSL_PROVIDER_load(nullptr, "default")), m_legacy(OSSL_PROVIDER_load(nullptr, "legacy"))
    {
    }
    ~Providers()
    {
        if (m_legacy)
            OSSL_PROVIDER_unload(m_legacy);
        if (m_default)
            OSSL_PROVIDER_unload(m_default);
    }
    Providers(const Providers&) = delete;
    Providers& operator=(const Providers&) = delete;

private:
    OSSL_PROVIDER* m_default;
    OSSL_PROVIDER* m_legacy;
};

void LoadProviders()
{
    static const Providers providers;
}

const EVP_MD* Digest(AuthProtocol auth)
{
    LoadProviders();
    const char* name = DigestName(auth);
    return name ? EVP_get_digestbyname(name) : nullptr;
}

std::string Hash(AuthProtocol auth, std::string_view data)
{
    const EVP_MD* md = Digest(auth);
    if (!md)
        return {};
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(data.data(), data.size(), out, &size, md, nullptr) != 1)
        return {};
    return std::string(reinterpret_cast<const char*>(out), size);
}

const EVP_CIPHER* Cipher(PrivProtocol priv)
{
    LoadProviders();
    switch (priv) {
    case PrivProtocol::Des:
        return EVP_des_cbc();
    case PrivProtocol::Aes128:
        return EVP_aes_128_cfb128();
    case PrivProtocol::Aes192:
        return EVP_aes_192_cfb128();
    case PrivProtocol::Aes256:
        return EVP_aes_256_cfb128();
    case PrivProtocol::None:
        break;
    }
    return nullptr;
}

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

void PutBigEndian(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

// DES: the IV is the pre-IV (octets 8-15 of the key) XOR the salt (RFC 3414 8.1.1.1).
// AES: boots, time and the salt (RFC 3826 3.1.2.1).
std::optional<std::string> InitialVector(PrivProtocol priv, std::string_view key, std::uint32_t boots,
                                         std::uint32_t time, std::string_view salt)
{
    if (salt.size() != 8 || key.size() < PrivacyKeyLength(priv))
        return std::nullopt;
    std::string iv;
    if (priv == PrivProtocol::Des) {
        for (std::size_t i = 0; i < 8; ++i)
            iv.push_back(static_cast<char>(key[8 + i] ^ salt[i]));
    } else {
        PutBigEndian(iv, boots);
        PutBigEndian(iv, time);
        iv.append(salt);
    }
    return iv;
}

std::optional<std::string> RunCipher(PrivProtocol priv, std::string_view key, std::uint32_t boots,
                                     std::uint32_t time, std::string_view salt, std::string_view input,
                                     bool encrypt)
{
    const EVP_CIPHER* cipher = Cipher(priv);
    const std::optional<std::string> iv = InitialVector(priv, key, boots, time, salt);
    if (!cipher || !iv)
        return std::nullopt;
    const std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
    if (!context)
        return std::nullopt;
    const auto* keyOctets = reinterpret_cast<const unsigned char*>(key.data()); // DES takes the first 8
    if (EVP_CipherInit_ex(context.get(), cipher, nullptr, keyOctets,
                          reinterpret_cast<const unsigned char*>(iv->data()), encrypt ? 1 : 0) != 1)
        return std::nullopt;
    EVP_CIPHER_CTX_set_padding(context.get(), 0); // DES blocks are padded by the caller; CFB needs none
    std::string output(input.size() + EVP_MAX_BLOCK_LENGTH, '\0');
    int written = 0;
    int last = 0;
    auto* out = reinterpret_cast<unsigned char*>(output.data());
    if (EVP_CipherUpdate(context.get(), out, &written, reinterpret_cast<const unsigned char*>(input.data()),
                         static_cast<int>(input.size())) != 1 ||
        EVP_CipherFinal_ex(context.get(), out + written, &last) != 1)
        return std::nullopt;
    output.resize(static_cast<std::size_t>(written + last));
    return output;
}

} // namespace

std::size_t DigestLength(AuthProtocol auth)
{
    switch (auth) {
    case AuthProtocol::Md5:
        return 16;
    case AuthProtocol::Sha1:
        return 20;
    case AuthProtocol::Sha224:
        return 28;
    case AuthProtocol::Sha256:
        return 32;
    case AuthProtocol::Sha384:
        return 48;
    case AuthProtocol::Sha512:
        return 64;
    case AuthProtocol::None:
        break;
    }
    return 0;
}

std::size_t MacLength(AuthProtocol auth)
{
    switch (auth) {
    case AuthProtocol::Md5:
    case AuthProtocol::Sha1:
        return 12;
    case AuthProtocol::Sha224:
        return 16;
    case AuthProtocol::Sha256:
        return 24;
    case AuthProtocol::Sha384:
        return 32;
    case AuthProtocol::Sha512:
        return 48;
    case AuthProtocol::None:
        break;
    }
    return 0;
}

std::size_t PrivacyKeyLength(PrivProtocol priv)
{
    switch (priv) {
    case PrivProtocol::Des:
    case PrivProtocol::Aes128:
        return 16;
    case PrivProtocol::Aes192:
        return 24;
    case PrivProtocol::Aes256:
        return 32;
    case PrivProtocol::None:
        break;
    }
    return 0;
}

std::string PasswordToKey(AuthProtocol auth, std::string_view password)
{
    const EVP_MD* md = Digest(auth);
    if (!md || password.empty())
        return {};
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    if (!context)
        return {};
    constexpr std::size_t kExpanded = 1048576; // 1 MiB, in 64-octet pieces
    unsigned char piece[64];
    std::size_t index = 0;
    bool good = EVP_DigestInit_ex(context, md, nullptr) == 1;
    for (std::size_t count = 0; good && count < kExpanded; count += sizeof(piece)) {
        for (unsigned char& octet : piece)
            octet = static_cast<unsigned char>(password[index++ % password.size()]);
        good = EVP_DigestUpdate(context, piece, sizeof(piece)) == 1;
    }
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    good = good && EVP_DigestFinal_ex(context, out, &size) == 1;
    EVP_MD_CTX_free(context);
    return good ? std::string(reinterpret_cast<const char*>(out), size) : std::string();
}

std::string LocalizeKey(AuthProtocol auth, std::string_view masterKey, std::string_view engineId)
{
    std::string input(masterKey);
    input += engineId;
    input += masterKey;
    return Hash(auth, input);
}

std::string PrivacyKey(AuthProtocol auth, PrivProtocol priv, std::string_view localizedKey)
{
    const std::size_t needed = PrivacyKeyLength(priv);
    std::string key(localizedKey);
    while (!key.empty() && key.size() < needed)
        key += Hash(auth, key);
    if (key.size() > needed)
        key.resize(needed);
    return key;
}

std::string AuthenticationCode(AuthProtocol auth, std::string_view key, std::string_view message)
{
    LoadProviders();
    const char* name = DigestName(auth);
    if (!name)
        return {};
    unsigned char out[EVP_MAX_MD_SIZE];
    std::size_t size = 0;
    if (!EVP_Q_mac(nullptr, "HMAC", nullptr, name, nullptr, key.data(), key.size(),
                   reinterpret_cast<const unsigned char*>(message.data()), message.size(), out, sizeof(out),
                   &size))
        return {};
    return std::string(reinterpret_cast<const char*>(out), std::min(size, MacLength(auth)));
}

std::optional<std::string> EncryptScopedPdu(PrivProtocol priv, std::string_view key, std::uint32_t boots,
                                            std::uint32_t time, std::string_view salt, std::string_view plain)
{
    std::string padded(plain);
    if (priv == PrivProtocol::Des && padded.size() % 8 != 0)
        padded.append(8 - padded.size() % 8, '\0'); // the receiver ignores what follows the PDU
    return RunCipher(priv, key, boots, time, salt, padded, true);
}

std::optional<std::string> DecryptScopedPdu(PrivProtocol priv, std::string_view key, std::uint32_t boots,
                                            std::uint32_t time, std::string_view salt,
                                            std::string_view cipher)
{
    if (priv == PrivProtocol::Des && cipher.size() % 8 != 0)
        return std::nullopt;
    return RunCipher(priv, key, boots, time, salt, cipher, false);
}

void RandomOctets(void* target, std::size_t size)
{
    if (RAND_bytes(static_cast<unsigned char*>(target), static_cast<int>(size)) != 1)
        std::fill_n(static_cast<unsigned char*>(target), size, 0);
}

} // namespace vorenta::snmp
