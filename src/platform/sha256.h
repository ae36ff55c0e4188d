#pragma once

// SHA-256 with incremental update, on OpenSSL's libcrypto (which uses the processor's SHA
// instructions where there are some).

#include <QString>

#include <cstddef>

namespace quillmore {

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256 &) = delete;
    Sha256 &operator=(const Sha256 &) = delete;

    void update(const char *data, std::size_t size);
    // The digest of everything fed so far as 64 lower-case hexadecimal characters. The state is
    // then spent: start a new object for the next digest.
    QString finalHex();

private:
    void *m_context; // EVP_MD_CTX
};

} // namespace quillmore
