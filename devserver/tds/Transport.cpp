#include "Transport.h"

namespace devserver::tds {

std::size_t receiveUpTo(Transport& transport, std::span<std::uint8_t> buffer) {
    std::size_t received = 0;
    while (received < buffer.size()) {
        std::size_t n = transport.receiveSome(buffer.subspan(received));
        if (n == 0) {
            break;
        }
        received += n;
    }
    return received;
}

}  // namespace devserver::tds
