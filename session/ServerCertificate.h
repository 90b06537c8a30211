#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

// A server's certificate as the operator is shown it, and the checks the driver makes of
// it, repeated here so that a refusal can say which one failed.
struct ServerCertificate {
    QByteArray pem;
    QString subject;
    QStringList alternativeNames;  // "DNS:db01.example.org", "IP:10.0.0.5"
    QString issuer;
    QDateTime notBefore;
    QDateTime notAfter;
    QString sha256;  // upper-case hex pairs joined by ':'
    QString sha1;    // the form Windows shows
    bool isAuthority = false;
    // SQL Server's own, made anew at every start of the service when none is installed.
    bool isSelfSignedFallback = false;
};

namespace server_certificate {

// Raises Error for bytes that are not a certificate.
ServerCertificate fromDer(const QByteArray& der);
ServerCertificate fromPem(const QByteArray& pem);

struct Verdict {
    bool trusted = true;      // the chain ends at a certificate of the CA file
    bool nameMatches = true;  // the server's certificate names `host`
    bool inValidity = true;   // every certificate of the chain is valid today
};

// The chain (DER, the server's own first) checked against the certificates of `caFile`,
// and its first certificate's names against `host`, as the driver checks them.
Verdict verify(const std::vector<QByteArray>& chain, const QString& caFile, const QString& host);

}  // namespace server_certificate
