#include "TestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>

namespace test_certificates {

namespace {

using X509Ptr = std::unique_ptr<X509, decltype(&X509_free)>;
using KeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

void extend(X509* certificate, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    if (extension == nullptr) {
        throw std::runtime_error("cannot make the extension " + value);
    }
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

X509Ptr unsigned_(const std::string& commonName, EVP_PKEY* key, X509* issuer, int startHours = -1,
                  int lifetimeHours = 7 * 24) {
    X509Ptr certificate(X509_new(), X509_free);
    X509_set_version(certificate.get(), 2);
    static long serial = std::chrono::system_clock::now().time_since_epoch().count() & 0xFFFFFFF;
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), ++serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), startHours * 3600L);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), (startHours + lifetimeHours) * 3600L);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(certificate.get()), "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    X509_set_issuer_name(certificate.get(),
                         X509_get_subject_name(issuer != nullptr ? issuer : certificate.get()));
    X509_set_pubkey(certificate.get(), key);
    return certificate;
}

void write(const std::filesystem::path& path, const std::function<int(FILE*)>& writer) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr || writer(file) != 1) {
        throw std::runtime_error("cannot write " + path.string());
    }
    std::fclose(file);
}

template <typename T, typename Read>
std::unique_ptr<T, void (*)(T*)> read(const std::filesystem::path& path, Read reader,
                                      void (*free)(T*)) {
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        throw std::runtime_error("cannot read " + path.string());
    }
    T* value = reader(file, nullptr, nullptr, nullptr);
    std::fclose(file);
    return {value, free};
}

Issued save(X509* certificate, EVP_PKEY* key, const std::filesystem::path& folder,
            const std::string& stem) {
    Issued files{folder / (stem + ".pem"), folder / (stem + "-key.pem")};
    write(files.certificate, [&](FILE* f) { return PEM_write_X509(f, certificate); });
    write(files.key, [&](FILE* f) {
        return PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr);
    });
    return files;
}

}  // namespace

Issued makeAuthority(const std::filesystem::path& folder) {
    KeyPtr key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    X509Ptr certificate = unsigned_("dbtool test authority", key.get(), nullptr);
    extend(certificate.get(), certificate.get(), NID_basic_constraints, "critical,CA:TRUE");
    extend(certificate.get(), certificate.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
    extend(certificate.get(), certificate.get(), NID_subject_key_identifier, "hash");
    X509_sign(certificate.get(), key.get(), EVP_sha256());
    return save(certificate.get(), key.get(), folder, "authority");
}

Issued issue(const Issued& authority, const std::vector<std::string>& names,
             const std::filesystem::path& folder, const std::string& stem, int startHours,
             int lifetimeHours) {
    auto issuer = read<X509>(authority.certificate, PEM_read_X509, X509_free);
    auto issuerKey = read<EVP_PKEY>(authority.key, PEM_read_PrivateKey, EVP_PKEY_free);
    KeyPtr key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    X509Ptr certificate =
        unsigned_(names.front(), key.get(), issuer.get(), startHours, lifetimeHours);
    std::string alternatives;
    for (const std::string& name : names) {
        alternatives += (alternatives.empty() ? "" : ",");
        alternatives +=
            (name.find_first_not_of("0123456789.:") == std::string::npos ? "IP:" : "DNS:") + name;
    }
    extend(certificate.get(), issuer.get(), NID_subject_alt_name, alternatives);
    extend(certificate.get(), issuer.get(), NID_basic_constraints, "critical,CA:FALSE");
    extend(certificate.get(), issuer.get(), NID_ext_key_usage, "serverAuth");
    extend(certificate.get(), issuer.get(), NID_authority_key_identifier, "keyid:always");
    X509_sign(certificate.get(), issuerKey.get(), EVP_sha256());
    return save(certificate.get(), key.get(), folder, stem);
}

}  // namespace test_certificates
