#include "CertificateRefusal.h"

#include "HandshakeProbe.h"
#include "ServerTrust.h"
#include "common/OperatorTexts.h"

namespace certificate_refusal {

namespace {

QString validity(const ServerCertificate& certificate) {
    return texts::kCertificateValidity.arg(certificate.notBefore.toString(Qt::ISODate),
                                           certificate.notAfter.toString(Qt::ISODate));
}

bool inValidity(const ServerCertificate& certificate) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    return certificate.notBefore <= now && now <= certificate.notAfter;
}

QString namesOf(const ServerCertificate& certificate) {
    return certificate.alternativeNames.isEmpty() ? certificate.subject
                                                  : certificate.alternativeNames.join(u", ");
}

}  // namespace

void raise(const server_name::ServerName& server, bool windowsLogin,
           const DatabaseError& driverError) {
    const auto refused = [&](const QString& description) {
        return DatabaseError(description, driverError.sqlState(), driverError.nativeError());
    };
    // Whatever the certificate, a Windows login may also have failed on this side.
    const DatabaseError unexplained =
        refused(windowsLogin ? texts::kWindowsLoginOrEncryptionRefused : texts::kHandshakeRefused);
    handshake_probe::Findings findings;
    try {
        findings = handshake_probe::probe(server);
    } catch (const Error&) {
        throw unexplained;
    }
    if (!findings.encrypts) {
        throw refused(texts::kServerCannotEncrypt);
    }
    if (findings.chain.empty()) {
        throw unexplained;
    }
    const ServerCertificate presented = server_certificate::fromDer(findings.chain.front());
    if (const std::optional<QByteArray> pem = server_trust::pinned(server)) {
        const ServerCertificate pinned = server_certificate::fromPem(*pem);
        if (pinned.sha256 != presented.sha256) {
            const auto bundle =
                server_certificate::verify(findings.chain, server_trust::caBundle(), server.host);
            throw UntrustedCertificate(
                texts::kCertificateChanged.arg(server.typed, pinned.sha256, presented.sha256),
                UntrustedCertificate::Reason::Changed, server, presented, pinned,
                bundle.trusted && bundle.nameMatches && bundle.inValidity, driverError);
        }
        if (!inValidity(presented)) {
            throw refused(texts::kCertificateExpired.arg(server.typed, validity(presented)));
        }
        throw unexplained;
    }
    const auto verdict =
        server_certificate::verify(findings.chain, server_trust::caBundle(), server.host);
    if (!verdict.inValidity) {
        throw refused(texts::kCertificateExpired.arg(server.typed, validity(presented)));
    }
    if (verdict.trusted && verdict.nameMatches) {
        throw unexplained;
    }
    if (presented.isAuthority) {
        throw refused(texts::kCertificateIsAuthority.arg(server.typed, presented.subject));
    }
    if (!verdict.trusted) {
        throw UntrustedCertificate(texts::kCertificateUntrusted.arg(server.typed, presented.issuer),
                                   UntrustedCertificate::Reason::UnknownIssuer, server, presented,
                                   std::nullopt, false, driverError);
    }
    throw UntrustedCertificate(texts::kCertificateOtherName.arg(server.typed, namesOf(presented)),
                               UntrustedCertificate::Reason::OtherName, server, presented,
                               std::nullopt, false, driverError);
}

void trust(const UntrustedCertificate& refusal) {
    if (refusal.reason() == UntrustedCertificate::Reason::Changed && refusal.bundleVouches()) {
        server_trust::unpin(refusal.server());
        return;
    }
    // A pinned authority would vouch for every certificate it ever signs, under any name.
    if (refusal.presented().isAuthority) {
        throw Error(texts::kCertificateIsAuthority.arg(refusal.server().typed,
                                                       refusal.presented().subject));
    }
    server_trust::pin(refusal.server(), refusal.presented().pem);
}

}  // namespace certificate_refusal
