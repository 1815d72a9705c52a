#pragma once
// The digests and the signature check the updater needs, on OpenSSL's libcrypto.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace updater {

// Fingerprints a byte stream two ways at once: the keyed MD5 (HMAC-MD5, key "QZRT") that the
// update list uses to tell which files differ, and SHA-256 for the optional strong check.
class CFileDigest {
public:
    CFileDigest();
    ~CFileDigest();
    CFileDigest(const CFileDigest&) = delete;
    CFileDigest& operator=(const CFileDigest&) = delete;

    // Adds bytes; false when the library failed (the digest is then unusable).
    bool Update(std::span<const uint8_t> bytes);
    // Ends both digests; false when the library failed. Call once.
    bool Finish();
    // 32 uppercase hexadecimal digits, after Finish.
    const std::string& Fingerprint() const { return m_fingerprint; }
    // 64 lowercase hexadecimal digits, after Finish.
    const std::string& Sha256() const { return m_sha256; }

private:
    struct State;
    std::unique_ptr<State> m_state;
    std::string m_fingerprint;
    std::string m_sha256;
};

// The keyed fingerprint of a whole file; empty when the file cannot be opened or read.
std::string FileFingerprint(const std::string& path);

// True when `signature` is a valid Ed25519 signature of `message` by the public key in
// `publicKeyPem` (a PEM "PUBLIC KEY" block). A key that is not Ed25519 never verifies.
bool VerifyEd25519(std::span<const uint8_t> message, std::span<const uint8_t> signature,
                   const std::string& publicKeyPem);

}  // namespace updater
