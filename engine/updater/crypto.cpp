// OpenSSL's libcrypto behind the updater's digest and signature helpers.
#include "updater/crypto.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include "platform/safewrite.h"

namespace updater {
namespace {

constexpr char kFingerprintKey[] = "QZRT";

struct MacDeleter {
    void operator()(EVP_MAC* mac) const { EVP_MAC_free(mac); }
};
struct MacCtxDeleter {
    void operator()(EVP_MAC_CTX* ctx) const { EVP_MAC_CTX_free(ctx); }
};
struct MdCtxDeleter {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
struct PkeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

std::string Hex(const unsigned char* bytes, size_t size, bool upper) {
    static const char kUpper[] = "0123456789ABCDEF";
    static const char kLower[] = "0123456789abcdef";
    const char* digits = upper ? kUpper : kLower;
    std::string text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

}  // namespace

struct CFileDigest::State {
    std::unique_ptr<EVP_MAC, MacDeleter> mac;
    std::unique_ptr<EVP_MAC_CTX, MacCtxDeleter> hmac;
    std::unique_ptr<EVP_MD_CTX, MdCtxDeleter> sha;
    bool ok = false;
};

CFileDigest::CFileDigest() : m_state(std::make_unique<State>()) {
    State& s = *m_state;
    s.mac.reset(EVP_MAC_fetch(nullptr, "HMAC", nullptr));
    if (s.mac) s.hmac.reset(EVP_MAC_CTX_new(s.mac.get()));
    s.sha.reset(EVP_MD_CTX_new());
    if (!s.hmac || !s.sha) return;
    char digest[] = "MD5";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string("digest", digest, 0), OSSL_PARAM_construct_end()};
    s.ok = EVP_MAC_init(s.hmac.get(), reinterpret_cast<const unsigned char*>(kFingerprintKey),
                        sizeof kFingerprintKey - 1, params) == 1 &&
           EVP_DigestInit_ex(s.sha.get(), EVP_sha256(), nullptr) == 1;
}

CFileDigest::~CFileDigest() = default;

bool CFileDigest::Update(std::span<const uint8_t> bytes) {
    State& s = *m_state;
    if (!s.ok) return false;
    if (bytes.empty()) return true;
    s.ok = EVP_MAC_update(s.hmac.get(), bytes.data(), bytes.size()) == 1 &&
           EVP_DigestUpdate(s.sha.get(), bytes.data(), bytes.size()) == 1;
    return s.ok;
}

bool CFileDigest::Finish() {
    State& s = *m_state;
    if (!s.ok) return false;
    unsigned char mac[EVP_MAX_MD_SIZE];
    size_t macSize = 0;
    unsigned char sha[EVP_MAX_MD_SIZE];
    unsigned shaSize = 0;
    s.ok = EVP_MAC_final(s.hmac.get(), mac, &macSize, sizeof mac) == 1 &&
           EVP_DigestFinal_ex(s.sha.get(), sha, &shaSize) == 1;
    if (!s.ok) return false;
    m_fingerprint = Hex(mac, macSize, true);
    m_sha256 = Hex(sha, shaSize, false);
    s.ok = false;  // finished: further updates are refused
    return true;
}

std::string FileFingerprint(const std::string& path) {
    platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.IsOpen()) return {};
    CFileDigest digest;
    uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {};
        if (n == 0) break;
        if (!digest.Update({buffer, static_cast<size_t>(n)})) return {};
    }
    return digest.Finish() ? digest.Fingerprint() : std::string();
}

bool VerifyEd25519(std::span<const uint8_t> message, std::span<const uint8_t> signature,
                   const std::string& publicKeyPem) {
    if (signature.size() != 64 || publicKeyPem.empty()) return false;
    std::unique_ptr<BIO, BioDeleter> bio(BIO_new_mem_buf(publicKeyPem.data(), static_cast<int>(publicKeyPem.size())));
    if (!bio) return false;
    std::unique_ptr<EVP_PKEY, PkeyDeleter> key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519) return false;
    std::unique_ptr<EVP_MD_CTX, MdCtxDeleter> ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1) return false;
    return EVP_DigestVerify(ctx.get(), signature.data(), signature.size(), message.data(), message.size()) == 1;
}

}  // namespace updater
