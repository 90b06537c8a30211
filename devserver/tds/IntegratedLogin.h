#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "ByteWriter.h"
#include "Packet.h"
#include "TdsVersion.h"

namespace devserver::tds {

// How an authenticated principal alice@EXAMPLE.ORG is named as a login.
enum class LoginNameForm {
    Windows,   // EXAMPLE.ORG\alice, as SQL Server names a domain account
    Kerberos,  // alice@EXAMPLE.ORG
};

struct IntegratedLoginOptions {
    std::filesystem::path keytab;
    std::filesystem::path replayCache;
    LoginNameForm nameForm = LoginNameForm::Windows;
};

std::u16string loginNameOf(std::string_view principal, LoginNameForm form);

struct Authenticated {
    std::u16string loginName;
    Bytes lastToken;  // the server's final token, sent in the login reply; may be empty
};

// The GSS-API exchange of an integrated login. The client's first token came in LOGIN7; while
// the context is incomplete the server's token goes back alone in an SSPI token and the
// client's next one arrives as an SSPI message (0x11). Throws GssRefusal when GSS-API refuses
// a token, ProtocolError when the client sends anything but an SSPI message meanwhile.
Authenticated authenticate(const IntegratedLoginOptions& options,
                           std::span<const std::uint8_t> firstToken, PacketReader& reader,
                           PacketWriter& writer, TdsVersion version);

}  // namespace devserver::tds
