#pragma once

#include <QDialog>

class UntrustedCertificate;

// "服务器证书": the certificate a refused server presented, with what the operator needs to
// check it against the server's administrator (both fingerprints), and the choice to trust
// it. "取消" is the default, so that Return or Esc never trusts by accident.
class CertificateDialog : public QDialog {
    Q_OBJECT

  public:
    CertificateDialog(const UntrustedCertificate& refusal, QWidget* parent = nullptr);
};
