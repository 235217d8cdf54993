#pragma once

#include "transforms/support/cellrewrite.h"

#include <QByteArray>
#include <QCryptographicHash>

// Replaces the values of the selected columns by a hash of their UTF-8
// bytes, in lower-case hexadecimal.
class TransformHash : public CellRewriteTransform
{
    Q_OBJECT

public:
    enum Algorithm {
        NotSelected,
        Sha1,
        Sha256,
        Sha512,
        Sha3_256,
        Sha3_512,
        Keccak256,
        Keccak512,
        Md5,
        HmacMd5
    };

    QString typeKey() const override { return QStringLiteral("Hash"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    QList<QPair<QString, bool>> optionStates() const override;

    // The hexadecimal digest of a text; the secret is the key of HMAC-MD5
    // (as UTF-8) and ignored by the other algorithms.
    static QString hash(const QString& text, Algorithm algorithm, const QByteArray& secret);

protected:
    Transform* newInstance() const override { return new TransformHash; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    QString rewrite(const QString& text, int row, int column) override;
    bool rewritesTextAlone() const override { return true; }

private:
    Algorithm m_algorithm = NotSelected;
    QByteArray m_secret;
};
