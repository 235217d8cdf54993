#include "transforms/other/transformhash.h"

#include <QMessageAuthenticationCode>

namespace {

QCryptographicHash::Algorithm digestOf(TransformHash::Algorithm algorithm)
{
    switch (algorithm) {
    case TransformHash::Sha1:
        return QCryptographicHash::Sha1;
    case TransformHash::Sha256:
        return QCryptographicHash::Sha256;
    case TransformHash::Sha512:
        return QCryptographicHash::Sha512;
    case TransformHash::Sha3_256:
        return QCryptographicHash::Sha3_256;
    case TransformHash::Sha3_512:
        return QCryptographicHash::Sha3_512;
    // Keccak as submitted, with its own padding; what Ethereum calls SHA3.
    case TransformHash::Keccak256:
        return QCryptographicHash::Keccak_256;
    case TransformHash::Keccak512:
        return QCryptographicHash::Keccak_512;
    default:
        return QCryptographicHash::Md5;
    }
}

} // namespace

QString TransformHash::description() const
{
    return QStringLiteral("Replace values in selected columns by their hash, e.g. to anonymise "
                          "them.");
}

QSet<QString> TransformHash::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("sha512") << QStringLiteral("sha3") << QStringLiteral("keccak")
          << QStringLiteral("hmac") << QStringLiteral("hashing") << QStringLiteral("pseudonymise")
          << QStringLiteral("pseudonymize") << QStringLiteral("fingerprint");
    return words;
}

void TransformHash::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    const QStringList choices = { QStringLiteral("<select>"), QStringLiteral("SHA1"),
        QStringLiteral("SHA-256"), QStringLiteral("SHA-512"), QStringLiteral("SHA3-256"),
        QStringLiteral("SHA3-512"), QStringLiteral("Keccak-256"), QStringLiteral("Keccak-512"),
        QStringLiteral("MD5"), QStringLiteral("HMAC-MD5") };
    TransformParameter* p = addParameter(ParameterType::Selection, QStringLiteral("Hashing"),
        QStringLiteral("Algorithm"), choices.first(), choices);
    p->setFirstChoiceIsUnset(true);
    p->setTooltip(QStringLiteral("The hash algorithm. The hash of each value's UTF-8 bytes is "
                                 "written in lower-case hexadecimal."));
    TransformParameter* secret
        = addParameter(ParameterType::Text, QStringLiteral("Secret"), QStringLiteral("Secret"));
    secret->setTextRequired(false);
    secret->setTooltip(QStringLiteral("The secret key of HMAC-MD5 (used as UTF-8). Without the "
                                      "key, the hashes cannot be recreated from guessed values."));
}

QList<QPair<QString, bool>> TransformHash::optionStates() const
{
    return { qMakePair(
        QStringLiteral("Secret"), selectionParameter(QStringLiteral("Hashing")) == HmacMd5) };
}

QStringList TransformHash::requiredKeys() const
{
    return { QStringLiteral("Hashing"), QStringLiteral("Secret") };
}

bool TransformHash::prepare(const Dataset& input, const QVector<int>& columns)
{
    Q_UNUSED(input)
    Q_UNUSED(columns)
    m_algorithm = Algorithm(selectionParameter(QStringLiteral("Hashing")));
    m_secret = textParameter(QStringLiteral("Secret")).toUtf8();
    return m_algorithm != NotSelected;
}

QString TransformHash::rewrite(const QString& text, int row, int column)
{
    Q_UNUSED(row)
    Q_UNUSED(column)
    return hash(text, m_algorithm, m_secret);
}

QString TransformHash::hash(const QString& text, Algorithm algorithm, const QByteArray& secret)
{
    if (algorithm == NotSelected)
        return text;
    const QByteArray bytes = text.toUtf8();
    const QByteArray digest = algorithm == HmacMd5
        ? QMessageAuthenticationCode::hash(bytes, secret, QCryptographicHash::Md5)
        : QCryptographicHash::hash(bytes, digestOf(algorithm));
    return QString::fromLatin1(digest.toHex());
}
