#include "Encryption.h"

namespace devserver::tds {

namespace {

constexpr std::uint8_t kClientCertificateFlag = 0x80;

}  // namespace

std::optional<EncryptionSetting> encryptionSettingOf(std::uint8_t byte) {
    byte &= static_cast<std::uint8_t>(~kClientCertificateFlag);
    if (byte > static_cast<std::uint8_t>(EncryptionSetting::Required)) {
        return std::nullopt;
    }
    return static_cast<EncryptionSetting>(byte);
}

EncryptionAgreement negotiateEncryption(EncryptionMode mode,
                                        std::optional<EncryptionSetting> client) {
    // A client that leaves the option out takes the default, OFF.
    const EncryptionSetting wanted = client.value_or(EncryptionSetting::Off);
    const bool clientCannot = wanted == EncryptionSetting::NotSupported;
    const bool clientWantsAll =
        wanted == EncryptionSetting::On || wanted == EncryptionSetting::Required;
    switch (mode) {
        case EncryptionMode::Off:
            return {EncryptionSetting::NotSupported, Protection::None};
        case EncryptionMode::Optional:
            if (clientCannot) {
                return {EncryptionSetting::NotSupported, Protection::None};
            }
            return clientWantsAll
                       ? EncryptionAgreement{EncryptionSetting::On, Protection::Everything}
                       : EncryptionAgreement{EncryptionSetting::Off, Protection::LoginOnly};
        case EncryptionMode::Force:
            return clientWantsAll
                       ? EncryptionAgreement{EncryptionSetting::On, Protection::Everything}
                       : EncryptionAgreement{EncryptionSetting::Required, Protection::Everything};
    }
    return {};
}

}  // namespace devserver::tds
