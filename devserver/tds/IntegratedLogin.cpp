#include "IntegratedLogin.h"

#include "GssAcceptor.h"
#include "LoginReply.h"
#include "ProtocolError.h"
#include "devserver/engine/Text.h"

namespace devserver::tds {

std::u16string loginNameOf(std::string_view principal, LoginNameForm form) {
    const std::size_t at = principal.rfind('@');
    if (form == LoginNameForm::Kerberos || at == std::string_view::npos) {
        return text::fromUtf8(principal);
    }
    return text::fromUtf8(principal.substr(at + 1)) + u'\\' +
           text::fromUtf8(principal.substr(0, at));
}

Authenticated authenticate(const IntegratedLoginOptions& options,
                           std::span<const std::uint8_t> firstToken, PacketReader& reader,
                           PacketWriter& writer, TdsVersion version) {
    GssAcceptor acceptor(options.keytab, options.replayCache);
    GssAcceptor::Step step = acceptor.accept(firstToken);
    while (!step.complete) {
        writer.send(encodeSspiContinuation(step.reply, version));
        auto next = reader.next();
        if (!next) {
            throw ConnectionClosed("the client left during an integrated login");
        }
        if (next->type != PacketType::Sspi) {
            throw ProtocolError("expected an SSPI message during an integrated login");
        }
        step = acceptor.accept(next->payload);
    }
    return Authenticated{loginNameOf(acceptor.clientPrincipal(), options.nameForm),
                         std::move(step.reply)};
}

}  // namespace devserver::tds
