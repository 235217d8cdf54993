#include "core/contenthash.h"

#include <QFile>

#include <openssl/evp.h>

struct ContentHash::Context
{
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(md); }
};

ContentHash::ContentHash() : m_context(std::make_unique<Context>())
{
    reset();
}

ContentHash::~ContentHash() = default;

void ContentHash::reset()
{
    EVP_DigestInit_ex(m_context->md, EVP_sha256(), nullptr);
    m_bytes = 0;
}

void ContentHash::add(const char* data, qint64 size)
{
    if (size <= 0)
        return;
    EVP_DigestUpdate(m_context->md, data, size_t(size));
    m_bytes += size;
}

QString ContentHash::hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context->md, digest, &length);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex());
}

QString ContentHash::ofFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return QString();
    }
    ContentHash hash;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(block.data(), block.size());
        if (n < 0) {
            if (error)
                *error = file.errorString();
            return QString();
        }
        if (n == 0)
            break;
        hash.add(block.constData(), n);
    }
    return hash.hex();
}
