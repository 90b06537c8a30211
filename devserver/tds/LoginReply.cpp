#include "LoginReply.h"

#include <string>

#include "ServerIdentity.h"
#include "Tokens.h"
#include "devserver/engine/Messages.h"

namespace devserver::tds {

Bytes encodeLoginAccepted(std::u16string_view database, std::uint32_t packetSize,
                          TdsVersion version) {
    TokenWriter tokens(version);

    tokens.envChange(kEnvDatabase, database, u"master");
    tokens.message(messages::loginDatabaseContext(std::u16string(database)));
    tokens.envChangeBytes(kEnvCollation, kCollation, {});
    tokens.envChange(kEnvLanguage, kLanguage, u"");
    tokens.message(messages::languageChanged(std::u16string(kLanguage)));
    std::string size = std::to_string(packetSize);
    std::u16string size16(size.begin(), size.end());
    tokens.envChange(kEnvPacketSize, size16, size16);
    tokens.loginAck();
    tokens.done(0, 0, 0);
    return tokens.take();
}

Bytes encodeLoginRefused(const Message& error, TdsVersion version) {
    TokenWriter tokens(version);
    tokens.message(error);
    tokens.done(kDoneError, 0, 0);
    return tokens.take();
}

}  // namespace devserver::tds
