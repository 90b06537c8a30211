#include "Certificate.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <functional>
#include <memory>

namespace devserver::tds {
namespace {

constexpr const char* kOwnCertificate = "tls-certificate.pem";
constexpr const char* kOwnKey = "tls-key.pem";
// Long enough that a demo folder never sees it lapse, as an installed server's own
// certificate would not.
constexpr auto kOwnLifetime = std::chrono::hours(24 * 3650);
constexpr const char* kFallbackName = "SSL_Self_Signed_Fallback";
constexpr int kFallbackKeyBits = 2048;

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using ExtensionPtr = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION, X509_EXTENSION_free>>;

std::string openSslReason() {
    unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) {
        return "unknown reason";
    }
    std::array<char, 256> text{};
    ERR_error_string_n(code, text.data(), text.size());
    return text.data();
}

// Never ask for a passphrase on the terminal: a protected key is refused instead.
int noPassphrase(char* /*buffer*/, int /*size*/, int /*writing*/, void* /*data*/) {
    return 0;
}

X509Ptr readCertificate(const std::filesystem::path& path) {
    BioPtr file(BIO_new_file(path.c_str(), "r"));
    if (!file) {
        throw CertificateError("cannot read the certificate " + path.string());
    }
    X509Ptr certificate(PEM_read_bio_X509(file.get(), nullptr, noPassphrase, nullptr));
    if (!certificate) {
        throw CertificateError("the certificate " + path.string() +
                               " holds no PEM certificate: " + openSslReason());
    }
    return certificate;
}

KeyPtr readKey(const std::filesystem::path& path) {
    BioPtr file(BIO_new_file(path.c_str(), "r"));
    if (!file) {
        throw CertificateError("cannot read the key " + path.string());
    }
    KeyPtr key(PEM_read_bio_PrivateKey(file.get(), nullptr, noPassphrase, nullptr));
    if (!key) {
        throw CertificateError(
            "the key " + path.string() +
            " holds no PEM private key without a passphrase: " + openSslReason());
    }
    return key;
}

std::string printedTime(const ASN1_TIME* time) {
    BioPtr out(BIO_new(BIO_s_mem()));
    ASN1_TIME_print(out.get(), time);
    char* data = nullptr;
    long length = BIO_get_mem_data(out.get(), &data);
    return {data, static_cast<std::size_t>(length)};
}

std::string pemOf(const std::function<int(BIO*)>& write) {
    BioPtr out(BIO_new(BIO_s_mem()));
    if (write(out.get()) != 1) {
        throw CertificateError("cannot encode a certificate: " + openSslReason());
    }
    char* data = nullptr;
    long length = BIO_get_mem_data(out.get(), &data);
    return {data, static_cast<std::size_t>(length)};
}

bool isIpAddress(const std::string& name) {
    return name.find_first_not_of("0123456789.") == std::string::npos ||
           name.find(':') != std::string::npos;
}

void addExtension(X509* certificate, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    ExtensionPtr extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
    if (!extension || X509_add_ext(certificate, extension.get(), -1) != 1) {
        throw CertificateError("cannot make a certificate extension: " + openSslReason());
    }
}

void writePrivateFile(const std::filesystem::path& path, const std::string& text, mode_t mode) {
    std::filesystem::path temporary = path;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            throw CertificateError("cannot write " + temporary.string());
        }
    }
    ::chmod(temporary.c_str(), mode);
    std::filesystem::rename(temporary, path);
}

}  // namespace

namespace {

X509Ptr unsignedCertificate(EVP_PKEY* key, const std::string& commonName,
                            std::chrono::system_clock::time_point notBefore,
                            std::chrono::system_clock::time_point notAfter) {
    X509Ptr certificate(X509_new());
    if (!certificate) {
        throw CertificateError("cannot make a certificate: " + openSslReason());
    }
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set_int64(
        X509_get_serialNumber(certificate.get()),
        std::chrono::system_clock::now().time_since_epoch().count() & 0x7FFFFFFF);
    ASN1_TIME_set(X509_getm_notBefore(certificate.get()),
                  std::chrono::system_clock::to_time_t(notBefore));
    ASN1_TIME_set(X509_getm_notAfter(certificate.get()),
                  std::chrono::system_clock::to_time_t(notAfter));
    X509_NAME* subject = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1,
                               -1, 0);
    X509_set_issuer_name(certificate.get(), subject);
    X509_set_pubkey(certificate.get(), key);
    return certificate;
}

PemPair signedPair(X509* certificate, EVP_PKEY* key) {
    if (X509_sign(certificate, key, EVP_sha256()) == 0) {
        throw CertificateError("cannot sign a certificate: " + openSslReason());
    }
    return PemPair{pemOf([&](BIO* out) { return PEM_write_bio_X509(out, certificate); }),
                   pemOf([&](BIO* out) {
                       return PEM_write_bio_PrivateKey(out, key, nullptr, nullptr, 0, nullptr,
                                                       nullptr);
                   })};
}

}  // namespace

PemPair makeSelfSignedCertificate(const std::vector<std::string>& names,
                                  std::chrono::system_clock::time_point notBefore,
                                  std::chrono::system_clock::time_point notAfter) {
    KeyPtr key(EVP_EC_gen("P-256"));
    if (!key || names.empty()) {
        throw CertificateError("cannot make a key: " + openSslReason());
    }
    X509Ptr certificate = unsignedCertificate(key.get(), names.front(), notBefore, notAfter);
    std::string alternatives;
    for (const std::string& name : names) {
        if (!alternatives.empty()) {
            alternatives += ',';
        }
        alternatives += isIpAddress(name) ? "IP:" : "DNS:";
        alternatives += name;
    }
    addExtension(certificate.get(), NID_subject_alt_name, alternatives);
    addExtension(certificate.get(), NID_key_usage, "critical,digitalSignature,keyAgreement");
    addExtension(certificate.get(), NID_ext_key_usage, "serverAuth");
    return signedPair(certificate.get(), key.get());
}

PemPair makeFallbackCertificate(std::chrono::system_clock::time_point notBefore,
                                std::chrono::system_clock::time_point notAfter) {
    KeyPtr key(EVP_RSA_gen(kFallbackKeyBits));
    if (!key) {
        throw CertificateError("cannot make a key: " + openSslReason());
    }
    X509Ptr certificate = unsignedCertificate(key.get(), kFallbackName, notBefore, notAfter);
    addExtension(certificate.get(), NID_ext_key_usage, "serverAuth");
    return signedPair(certificate.get(), key.get());
}

void checkCertificateFiles(const CertificateFiles& files) {
    X509Ptr certificate = readCertificate(files.certificate);
    KeyPtr key = readKey(files.key);
    if (X509_check_private_key(certificate.get(), key.get()) != 1) {
        ERR_clear_error();
        throw CertificateError("the key " + files.key.string() +
                               " does not belong to the certificate " + files.certificate.string());
    }
    if (X509_cmp_current_time(X509_get0_notAfter(certificate.get())) <= 0) {
        throw CertificateError("the certificate " + files.certificate.string() + " expired on " +
                               printedTime(X509_get0_notAfter(certificate.get())));
    }
    if (X509_cmp_current_time(X509_get0_notBefore(certificate.get())) >= 0) {
        throw CertificateError("the certificate " + files.certificate.string() +
                               " is not valid before " +
                               printedTime(X509_get0_notBefore(certificate.get())));
    }
}

CertificateFiles ownCertificate(const std::filesystem::path& dataDir, bool renew) {
    CertificateFiles files{dataDir / kOwnCertificate, dataDir / kOwnKey};
    if (!renew) {
        try {
            checkCertificateFiles(files);
            return files;
        } catch (const CertificateError&) {
            // None yet, or one that no longer serves: make a new one below.
        }
    }
    auto now = std::chrono::system_clock::now();
    PemPair pem = makeFallbackCertificate(now - std::chrono::hours(1), now + kOwnLifetime);
    writePrivateFile(files.key, pem.key, 0600);
    writePrivateFile(files.certificate, pem.certificate, 0644);
    return files;
}

}  // namespace devserver::tds
