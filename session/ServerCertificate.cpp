#include "ServerCertificate.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <QFile>
#include <QTimeZone>
#include <array>
#include <memory>

#include "common/Error.h"
#include "common/OperatorTexts.h"

namespace server_certificate {

namespace {

const QString kSelfSignedFallback = QStringLiteral("CN=SSL_Self_Signed_Fallback");

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using StorePtr = std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>>;
using StoreContextPtr =
    std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;

void freeChain(STACK_OF(X509) * chain) {
    sk_X509_pop_free(chain, X509_free);
}
using ChainPtr = std::unique_ptr<STACK_OF(X509), decltype(&freeChain)>;

X509Ptr parsed(const QByteArray& der) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(der.constData());
    X509Ptr certificate(d2i_X509(nullptr, &bytes, der.size()));
    if (!certificate) {
        throw Error(texts::kCertificateUnreadable);
    }
    return certificate;
}

QString bioText(BIO* bio) {
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    return QString::fromUtf8(data, length);
}

QString nameText(const X509_NAME* name) {
    const BioPtr out(BIO_new(BIO_s_mem()));
    X509_NAME_print_ex(out.get(), name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    return bioText(out.get());
}

QDateTime timeOf(const ASN1_TIME* time) {
    tm parts{};
    ASN1_TIME_to_tm(time, &parts);
    return QDateTime(QDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday),
                     QTime(parts.tm_hour, parts.tm_min, parts.tm_sec), Qt::UTC);
}

QString fingerprint(const X509* certificate, const EVP_MD* digest) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> bytes{};
    unsigned int length = 0;
    X509_digest(certificate, digest, bytes.data(), &length);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), length).toHex(':').toUpper());
}

QStringList alternativeNames(X509* certificate) {
    QStringList names;
    auto* general = static_cast<GENERAL_NAMES*>(
        X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
    for (int i = 0; general != nullptr && i < sk_GENERAL_NAME_num(general); ++i) {
        const GENERAL_NAME* name = sk_GENERAL_NAME_value(general, i);
        if (name->type == GEN_DNS) {
            names << QStringLiteral("DNS:") +
                         QString::fromUtf8(
                             reinterpret_cast<const char*>(ASN1_STRING_get0_data(name->d.dNSName)),
                             ASN1_STRING_length(name->d.dNSName));
        } else if (name->type == GEN_IPADD) {
            char* text = i2s_ASN1_OCTET_STRING(nullptr, name->d.iPAddress);
            // OpenSSL spells an address as hex pairs; an IPv4 one reads better dotted.
            const QByteArray raw(
                reinterpret_cast<const char*>(ASN1_STRING_get0_data(name->d.iPAddress)),
                ASN1_STRING_length(name->d.iPAddress));
            names << QStringLiteral("IP:") + (raw.size() == 4
                                                  ? QStringLiteral("%1.%2.%3.%4")
                                                        .arg(static_cast<std::uint8_t>(raw[0]))
                                                        .arg(static_cast<std::uint8_t>(raw[1]))
                                                        .arg(static_cast<std::uint8_t>(raw[2]))
                                                        .arg(static_cast<std::uint8_t>(raw[3]))
                                                  : QString::fromLatin1(text));
            OPENSSL_free(text);
        }
    }
    GENERAL_NAMES_free(general);
    return names;
}

bool isExpiry(int error) {
    return error == X509_V_ERR_CERT_HAS_EXPIRED || error == X509_V_ERR_CERT_NOT_YET_VALID;
}

bool isNameMismatch(int error) {
    return error == X509_V_ERR_HOSTNAME_MISMATCH || error == X509_V_ERR_IP_ADDRESS_MISMATCH;
}

// Records every failure of the chain instead of stopping at the first, so that one that
// is both expired and untrusted is known as both.
int recordEvery(int ok, X509_STORE_CTX* context) {
    if (ok == 0) {
        auto* verdict = static_cast<Verdict*>(X509_STORE_CTX_get_app_data(context));
        const int error = X509_STORE_CTX_get_error(context);
        if (isExpiry(error)) {
            verdict->inValidity = false;
        } else if (isNameMismatch(error)) {
            verdict->nameMatches = false;
        } else {
            verdict->trusted = false;
        }
    }
    return 1;
}

}  // namespace

ServerCertificate fromDer(const QByteArray& der) {
    const X509Ptr certificate = parsed(der);
    ServerCertificate described;
    const BioPtr pem(BIO_new(BIO_s_mem()));
    PEM_write_bio_X509(pem.get(), certificate.get());
    described.pem = bioText(pem.get()).toLatin1();
    described.subject = nameText(X509_get_subject_name(certificate.get()));
    described.issuer = nameText(X509_get_issuer_name(certificate.get()));
    described.alternativeNames = alternativeNames(certificate.get());
    described.notBefore = timeOf(X509_get0_notBefore(certificate.get()));
    described.notAfter = timeOf(X509_get0_notAfter(certificate.get()));
    described.sha256 = fingerprint(certificate.get(), EVP_sha256());
    described.sha1 = fingerprint(certificate.get(), EVP_sha1());
    described.isAuthority = (X509_get_extension_flags(certificate.get()) & EXFLAG_CA) != 0;
    described.isSelfSignedFallback = described.subject == kSelfSignedFallback;
    return described;
}

ServerCertificate fromPem(const QByteArray& pem) {
    const BioPtr in(BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size())));
    const X509Ptr certificate(PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr));
    if (!certificate) {
        throw Error(texts::kCertificateUnreadable);
    }
    unsigned char* bytes = nullptr;
    const int length = i2d_X509(certificate.get(), &bytes);
    const QByteArray der(reinterpret_cast<const char*>(bytes), length);
    OPENSSL_free(bytes);
    return fromDer(der);
}

Verdict verify(const std::vector<QByteArray>& chain, const QString& caFile, const QString& host) {
    Verdict verdict;
    if (chain.empty()) {
        verdict.trusted = false;
        return verdict;
    }
    const X509Ptr leaf = parsed(chain.front());
    ChainPtr intermediates(sk_X509_new_null(), freeChain);
    for (std::size_t i = 1; i < chain.size(); ++i) {
        sk_X509_push(intermediates.get(), parsed(chain[i]).release());
    }
    const StorePtr store(X509_STORE_new());
    if (X509_STORE_load_file(store.get(), QFile::encodeName(caFile).constData()) != 1) {
        verdict.trusted = false;
    }
    const StoreContextPtr context(X509_STORE_CTX_new());
    X509_STORE_CTX_init(context.get(), store.get(), leaf.get(), intermediates.get());
    X509_STORE_CTX_set_app_data(context.get(), &verdict);
    X509_STORE_CTX_set_verify_cb(context.get(), recordEvery);
    X509_VERIFY_PARAM* parameters = X509_STORE_CTX_get0_param(context.get());
    const QByteArray name = host.toUtf8();
    if (X509_VERIFY_PARAM_set1_ip_asc(parameters, name.constData()) != 1) {
        X509_VERIFY_PARAM_set1_host(parameters, name.constData(), name.size());
    }
    X509_verify_cert(context.get());
    return verdict;
}

}  // namespace server_certificate
