#include "CertificateDialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/OperatorTexts.h"
#include "session/CertificateRefusal.h"

namespace {

QLabel* wrapped(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

// Fingerprints and names are read aloud to an administrator or copied: selectable, and
// fingerprints in a fixed font so that their pairs line up.
QLabel* value(const QString& text, QWidget* parent, bool fixed = false) {
    QLabel* label = wrapped(text, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (fixed) {
        label->setWordWrap(false);
        label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }
    return label;
}

QString introFor(const UntrustedCertificate& refusal) {
    const QString server = refusal.server().typed;
    switch (refusal.reason()) {
        case UntrustedCertificate::Reason::UnknownIssuer:
            return texts::kCertificateUnknownIssuer.arg(server);
        case UntrustedCertificate::Reason::OtherName:
            return texts::kCertificateNamesOther.arg(server);
        case UntrustedCertificate::Reason::Changed:
            return texts::kCertificateChangedWarning.arg(server);
    }
    return {};
}

}  // namespace

CertificateDialog::CertificateDialog(const UntrustedCertificate& refusal, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(texts::kCertificateTitle);
    const ServerCertificate& presented = refusal.presented();
    auto* layout = new QVBoxLayout(this);

    QLabel* intro = wrapped(introFor(refusal), this);
    if (refusal.reason() == UntrustedCertificate::Reason::Changed) {
        intro->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    }
    layout->addWidget(intro);

    auto* facts = new QFormLayout;
    facts->addRow(texts::kCertificateServer, value(refusal.server().typed, this));
    facts->addRow(texts::kCertificateSubject, value(presented.subject, this));
    facts->addRow(texts::kCertificateAlternativeNames,
                  value(presented.alternativeNames.isEmpty()
                            ? texts::kCertificateNoAlternativeNames
                            : presented.alternativeNames.join(QStringLiteral(", ")),
                        this));
    facts->addRow(texts::kCertificateIssuer, value(presented.issuer, this));
    facts->addRow(texts::kCertificateValidFor,
                  value(texts::kCertificateValidity.arg(
                            presented.notBefore.toLocalTime().toString(u"yyyy-MM-dd HH:mm"),
                            presented.notAfter.toLocalTime().toString(u"yyyy-MM-dd HH:mm")),
                        this));
    facts->addRow(texts::kCertificateSha256, value(presented.sha256, this, true));
    facts->addRow(texts::kCertificateSha1, value(presented.sha1, this, true));
    if (refusal.pinned()) {
        facts->addRow(texts::kCertificatePinnedSha256, value(refusal.pinned()->sha256, this, true));
    }
    layout->addLayout(facts);

    if (presented.isSelfSignedFallback) {
        layout->addWidget(wrapped(texts::kSelfSignedFallback, this));
    }
    if (refusal.bundleVouches()) {
        layout->addWidget(wrapped(texts::kCertificateDropPin, this));
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* trust = buttons->addButton(texts::kCertificateTrust, QDialogButtonBox::AcceptRole);
    QPushButton* cancel =
        buttons->addButton(texts::kCertificateCancel, QDialogButtonBox::RejectRole);
    trust->setAutoDefault(false);
    cancel->setDefault(true);
    cancel->setFocus();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(640);
}
