#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devserver/engine/Reply.h"

// A remote procedure call as the instance receives it: the procedure's name as the client
// wrote it and its arguments with the types they travelled in.
namespace devserver {

enum class ArgumentType { NVarChar, VarChar, Int, BigInt };

struct Argument {
    std::u16string name;  // with its @; empty when passed by position
    ArgumentType type = ArgumentType::NVarChar;
    Value value;
};

struct ProcedureCall {
    std::u16string name;
    std::vector<Argument> arguments;
};

struct ProcedureReply {
    Reply reply;
    // The procedure's return value; nullopt when no such procedure exists, in which case
    // the reply holds only the error.
    std::optional<std::int32_t> returnStatus;
};

}  // namespace devserver
