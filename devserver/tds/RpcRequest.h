#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "TdsVersion.h"
#include "devserver/engine/Procedure.h"

namespace devserver::tds {

// A well-formed call whose parameters include a type the server does not model; the
// client gets an error and keeps its connection.
class UnmodelledParameter : public std::runtime_error {
  public:
    explicit UnmodelledParameter(std::u16string typeName)
        : std::runtime_error("parameter type not modelled"), typeName_(std::move(typeName)) {}
    // The TYPE_INFO byte as written in MS-TDS, "0x6D".
    const std::u16string& typeName() const { return typeName_; }

  private:
    std::u16string typeName_;
};

// The calls of an RPC request (0x03), in order: one, or several separated by the batch
// flag. Procedures named by number (ProcID) get their well-known names. Parameters of
// the integer types and the character types (NVARCHAR, NCHAR, NTEXT, and VARCHAR, CHAR,
// TEXT read as Windows-1252, the default collation's code page), NULL included, in the
// ordinary, the long and the max (PLP) layouts.
// Throws ProtocolError for a malformed request and UnmodelledParameter for other types.
std::vector<ProcedureCall> decodeRpcRequest(std::span<const std::uint8_t> payload,
                                            TdsVersion version);

}  // namespace devserver::tds
