#include "ReconnectingClient.h"

#include <chrono>
#include <exception>

#include "RawTdsClient.h"
#include "ReplyTokens.h"

namespace tdstest {

namespace {

using namespace std::chrono_literals;

// How long a read waits before the session looks whether it is to stop.
constexpr auto kPoll = 20ms;
// The pause after a refused login or a server out of reach.
constexpr auto kRetry = 2ms;

}  // namespace

ReconnectingClient::ReconnectingClient(int port, std::u16string user, std::u16string password,
                                       std::u16string database, int sessions)
    : port_(port),
      user_(std::move(user)),
      password_(std::move(password)),
      database_(std::move(database)),
      sessions_(sessions) {
    for (int i = 0; i < sessions_; ++i) {
        threads_.emplace_back([this] { keepOneSession(); });
    }
}

ReconnectingClient::~ReconnectingClient() {
    stopping_ = true;
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

bool ReconnectingClient::waitUntilConnected() const {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (connected_ < sessions_) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

void ReconnectingClient::keepOneSession() {
    while (!stopping_) {
        try {
            RawTdsClient client(port_, kPoll);
            LoginFields login;
            login.user = user_;
            login.password = password_;
            login.database = database_;
            client.sendMessage(0x12, buildPreLogin());
            client.readMessage();
            client.sendMessage(0x10, buildLogin7(login));
            const auto reply = decodeReply(client.readMessage());
            if (tokensOf<LoginAckToken>(reply).empty()) {
                std::this_thread::sleep_for(kRetry);
                continue;
            }
            ++connected_;
            while (!stopping_ && !client.closedByServer()) {
            }
            --connected_;
            if (!stopping_) {
                ++ended_;
            }
        } catch (const std::exception&) {
            // A login cut short or a server not listening yet: as a pool does, try again.
            std::this_thread::sleep_for(kRetry);
        }
    }
}

}  // namespace tdstest
