#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "ByteWriter.h"
#include "TdsVersion.h"
#include "devserver/engine/Reply.h"

namespace devserver::tds {

// DONE status bits.
constexpr std::uint16_t kDoneMore = 0x0001;
constexpr std::uint16_t kDoneError = 0x0002;
constexpr std::uint16_t kDoneCount = 0x0010;
constexpr std::uint16_t kDoneAttention = 0x0020;

// ENVCHANGE types.
constexpr std::uint8_t kEnvDatabase = 1;
constexpr std::uint8_t kEnvLanguage = 2;
constexpr std::uint8_t kEnvPacketSize = 4;
constexpr std::uint8_t kEnvCollation = 7;

// Writes reply tokens in the layouts of one TDS version.
class TokenWriter {
  public:
    explicit TokenWriter(TdsVersion version) : version_(version) {}

    void done(std::uint16_t status, std::uint16_t curCmd, std::uint64_t rowCount);
    // The DONE of a statement inside a procedure, and the one that ends the procedure.
    void doneInProc(std::uint16_t status, std::uint16_t curCmd, std::uint64_t rowCount);
    void doneProc(std::uint16_t status);
    void returnStatus(std::int32_t value);
    // ERROR for severity above 10, INFO otherwise.
    void message(const Message& message);
    void envChange(std::uint8_t type, std::u16string_view newValue, std::u16string_view oldValue);
    void envChangeBytes(std::uint8_t type, std::span<const std::uint8_t> newValue,
                        std::span<const std::uint8_t> oldValue);
    void loginAck();
    // SSPI (0xED): a GSS-API token for the client, during an integrated login.
    void sspi(std::span<const std::uint8_t> token);
    void rowSet(const RowSet& rows);

    ByteWriter& out() { return out_; }
    Bytes take() { return out_.take(); }

  private:
    void doneToken(std::uint8_t token, std::uint16_t status, std::uint16_t curCmd,
                   std::uint64_t rowCount);

    TdsVersion version_;
    ByteWriter out_;
};

}  // namespace devserver::tds
