#include "sha256.h"

#include <openssl/evp.h>

#include <new>
#include <stdexcept>

namespace quillmore {

namespace {
EVP_MD_CTX *ctx(void *p)
{
    return static_cast<EVP_MD_CTX *>(p);
}
}

Sha256::Sha256() : m_context(EVP_MD_CTX_new())
{
    if (!m_context)
        throw std::bad_alloc();
    if (EVP_DigestInit_ex(ctx(m_context), EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(ctx(m_context));
        throw std::runtime_error("SHA-256 is not available");
    }
}

Sha256::~Sha256()
{
    EVP_MD_CTX_free(ctx(m_context));
}

void Sha256::update(const char *data, std::size_t size)
{
    if (size > 0 && EVP_DigestUpdate(ctx(m_context), data, size) != 1)
        throw std::runtime_error("SHA-256 update failed");
}

QString Sha256::finalHex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx(m_context), digest, &length) != 1)
        throw std::runtime_error("SHA-256 finalisation failed");
    static const char digits[] = "0123456789abcdef";
    QString hex(qsizetype(length) * 2, Qt::Uninitialized);
    QChar *out = hex.data();
    for (unsigned int i = 0; i < length; ++i) {
        *out++ = QLatin1Char(digits[digest[i] >> 4]);
        *out++ = QLatin1Char(digits[digest[i] & 0x0F]);
    }
    return hex;
}

} // namespace quillmore
