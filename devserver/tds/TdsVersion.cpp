#include "TdsVersion.h"

#include "ProtocolError.h"

namespace devserver::tds {

TdsVersion negotiateVersion(std::uint32_t clientVersion) {
    // Ordered newest first; the first one the client can speak wins.
    static constexpr TdsVersion kKnown[] = {TdsVersion::V7_4, TdsVersion::V7_3B, TdsVersion::V7_3A,
                                            TdsVersion::V7_2};
    for (TdsVersion known : kKnown) {
        if (clientVersion >= static_cast<std::uint32_t>(known)) {
            return known;
        }
    }
    // SQL Server 2000 clients sent 0x71000001, its beta 0x71000000; both speak 7.1.
    if (clientVersion >= 0x71000000) {
        return TdsVersion::V7_1;
    }
    throw ProtocolError("client asks for a TDS version below 7.1");
}

}  // namespace devserver::tds
