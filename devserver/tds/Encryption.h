#pragma once

#include <cstdint>
#include <optional>

namespace devserver::tds {

// What the server offers, as `--encryption` sets it: off is a server without a certificate;
// optional has one and lets the client choose; force encrypts every connection.
enum class EncryptionMode { Off, Optional, Force };

// The ENCRYPTION option of PRELOGIN (MS-TDS 2.2.6.5), in both directions.
enum class EncryptionSetting : std::uint8_t {
    Off = 0x00,           // available, but only the login is encrypted
    On = 0x01,            // everything is encrypted
    NotSupported = 0x02,  // this side cannot encrypt
    Required = 0x03,      // the server insists on encrypting everything
};

// How much of the connection runs inside TLS once PRELOGIN has settled it.
enum class Protection { None, LoginOnly, Everything };

struct EncryptionAgreement {
    EncryptionSetting answer = EncryptionSetting::NotSupported;
    Protection protection = Protection::None;
};

// The server's side of the MS-TDS table: the answer to the client's setting and what
// follows from it. A client that cannot live with the answer (it wanted encryption from a
// server without, or refuses it from a server that forces it) is expected to close; if it
// goes on, the protection still holds.
EncryptionAgreement negotiateEncryption(EncryptionMode mode,
                                        std::optional<EncryptionSetting> client);

// The client's byte with the client-certificate flag (0x80) masked off; nullopt for values
// MS-TDS does not define.
std::optional<EncryptionSetting> encryptionSettingOf(std::uint8_t byte);

}  // namespace devserver::tds
