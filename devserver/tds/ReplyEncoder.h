#pragma once

#include <vector>

#include "ByteWriter.h"
#include "TdsVersion.h"
#include "devserver/engine/Procedure.h"
#include "devserver/engine/Reply.h"

namespace devserver::tds {

// Turns the engine's answer to a batch into one reply message. Every DONE but the last
// carries MORE: each DONE is held back until it is known whether anything follows. A reply
// that does not end in a DONE gets a final one, because clients read until they see it.
// Throws std::logic_error when a value does not fit its column.
Bytes encodeReply(const Reply& reply, TdsVersion version);

// The answer to the calls of one RPC request, as SQL Server shapes it: each statement's
// DONE becomes a DONEINPROC (always with MORE, which FreeTDS needs to read on), then the
// procedure's RETURNSTATUS and a DONEPROC; every DONEPROC but the last carries MORE. A
// procedure that does not exist ends with its error and a DONEPROC(ERROR).
Bytes encodeProcedureReplies(const std::vector<ProcedureReply>& replies, TdsVersion version);

// An error followed by DONE(ERROR): the answer to requests the server cannot serve.
Bytes encodeErrorReply(const Message& error, TdsVersion version);

// The acknowledgement of an attention: DONE with ATTN, as a message of its own.
Bytes encodeAttentionAck(TdsVersion version);

// The answer to a request the client flagged to be ignored.
Bytes encodeIgnoredAck(TdsVersion version);

}  // namespace devserver::tds
