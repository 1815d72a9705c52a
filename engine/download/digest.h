#pragma once
// A SHA-256 digest computed piece by piece (libcrypto), used to check copies.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

class CDigest {
public:
    using Value = std::array<uint8_t, 32>;
    // Starts an empty digest.
    CDigest();
    ~CDigest();
    CDigest(const CDigest&) = delete;
    CDigest& operator=(const CDigest&) = delete;

    // False when the library could not start a digest (every later call then fails too).
    bool Ok() const { return m_ok; }
    // Adds bytes.
    bool Update(const uint8_t* data, size_t size);
    // The digest of everything added; the object is spent afterwards.
    bool Finish(Value& value);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    bool m_ok = false;
};
