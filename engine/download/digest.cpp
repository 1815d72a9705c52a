#include "download/digest.h"

#include <openssl/evp.h>

struct CDigest::Impl {
    struct Free {
        void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
    };
    std::unique_ptr<EVP_MD_CTX, Free> ctx{EVP_MD_CTX_new()};
};

CDigest::CDigest() : m_impl(std::make_unique<Impl>()) {
    m_ok = m_impl->ctx && EVP_DigestInit_ex(m_impl->ctx.get(), EVP_sha256(), nullptr) == 1;
}

CDigest::~CDigest() = default;

bool CDigest::Update(const uint8_t* data, size_t size) {
    m_ok = m_ok && EVP_DigestUpdate(m_impl->ctx.get(), data, size) == 1;
    return m_ok;
}

bool CDigest::Finish(Value& value) {
    unsigned int length = 0;
    m_ok = m_ok && EVP_DigestFinal_ex(m_impl->ctx.get(), value.data(), &length) == 1 && length == value.size();
    const bool ok = m_ok;
    m_ok = false;
    return ok;
}
