#include "LoginReply.h"

#include <string>

#include "ServerIdentity.h"
#include "Tokens.h"

namespace devserver::tds {

Bytes encodeLoginAccepted(std::u16string_view database, std::uint32_t packetSize,
                          TdsVersion version) {
    constexpr std::int32_t kDatabaseChanged = 5701;
    constexpr std::int32_t kLanguageChanged = 5703;
    TokenWriter tokens(version);

    tokens.envChange(kEnvDatabase, database, u"master");
    tokens.message(Message{kDatabaseChanged, 2, 0,
                           u"Changed database context to '" + std::u16string(database) + u"'."});
    tokens.envChangeBytes(kEnvCollation, kCollation, {});
    tokens.envChange(kEnvLanguage, kLanguage, u"");
    tokens.message(Message{kLanguageChanged, 1, 0,
                           u"Changed language setting to " + std::u16string(kLanguage) + u"."});
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
