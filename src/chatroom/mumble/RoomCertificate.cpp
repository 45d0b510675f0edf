#include "chatroom/mumble/RoomCertificate.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <memory>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

namespace {

constexpr char kOwnFile[] = "mumble-certificate.pem";
constexpr long kTwentyYears = 20L * 366 * 24 * 60 * 60;

template <typename T, void (*Free)(T *)> struct Deleter {
    void operator()(T *p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

} // namespace

RoomCertificate RoomCertificate::fromFile(const QString &file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        RoomCertificate none;
        none.m_error = QStringLiteral("cannot read %1: %2").arg(file, in.errorString());
        return none;
    }
    return fromPem(in.read(1 << 20), file);
}

QString RoomCertificate::settingsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/chatroom");
}

RoomCertificate RoomCertificate::ownIn(const QString &folder) {
    const QString path = QDir(folder).filePath(QString::fromLatin1(kOwnFile));
    if (QFile::exists(path))
        return fromFile(path);
    RoomCertificate made;
    const QByteArray pem = make(&made.m_error);
    if (pem.isEmpty())
        return made;
    // Readable by its user only: the key is the room's identity.
    if (!QDir().mkpath(folder) ||
        !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        made.m_error = QStringLiteral("cannot make the folder %1").arg(folder);
        return made;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) ||
        !out.setPermissions(QFile::ReadOwner | QFile::WriteOwner) || out.write(pem) != pem.size() ||
        !out.commit()) {
        made.m_error = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
        return made;
    }
    return fromPem(pem, path);
}

RoomCertificate RoomCertificate::fromPem(const QByteArray &pem, const QString &file) {
    RoomCertificate read;
    read.m_file = file;
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(pem, QSsl::Pem);
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        if (read.m_key.isNull())
            read.m_key = QSslKey(pem, algorithm, QSsl::Pem);
    }
    if (certificates.isEmpty() || read.m_key.isNull())
        read.m_error = QStringLiteral("%1 does not hold a PEM certificate and its key").arg(file);
    else
        read.m_certificate = certificates.constFirst();
    return read;
}

QString RoomCertificate::hash() const {
    return QString::fromLatin1(m_certificate.digest(QCryptographicHash::Sha1).toHex());
}

QByteArray RoomCertificate::make(QString *error) {
    const Key key(EVP_RSA_gen(2048));
    const Certificate certificate(X509_new());
    unsigned char serial[8];
    if (!key || !certificate || RAND_bytes(serial, sizeof serial) != 1) {
        *error = QStringLiteral("cannot make a key");
        return {};
    }
    serial[0] &= 0x7F; // a positive number
    BIGNUM *number = BN_bin2bn(serial, sizeof serial, nullptr);
    // The server knows the room by the certificate's hash; the name in it is for people.
    const QByteArray name = "zandoramp chat room";
    X509_NAME *subject = X509_get_subject_name(certificate.get());
    const bool made =
        number && BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate.get())) &&
        X509_set_version(certificate.get(), 2) &&
        X509_gmtime_adj(X509_getm_notBefore(certificate.get()), 0) &&
        X509_gmtime_adj(X509_getm_notAfter(certificate.get()), kTwentyYears) &&
        X509_set_pubkey(certificate.get(), key.get()) &&
        X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char *>(name.constData()),
                                   int(name.size()), -1, 0) &&
        X509_set_issuer_name(certificate.get(), subject) &&
        X509_sign(certificate.get(), key.get(), EVP_sha256()) > 0;
    BN_free(number);
    const Bio out(BIO_new(BIO_s_mem()));
    if (!made || !out || !PEM_write_bio_X509(out.get(), certificate.get()) ||
        !PEM_write_bio_PrivateKey(out.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr)) {
        *error = QStringLiteral("cannot make a certificate");
        return {};
    }
    char *data = nullptr;
    const long size = BIO_get_mem_data(out.get(), &data);
    return QByteArray(data, qsizetype(size));
}
