#include "ReplyEncoder.h"

#include <optional>

#include "Tokens.h"

namespace devserver::tds {
namespace {

std::uint16_t doneStatus(const Done& done) {
    std::uint16_t status = 0;
    if (done.error) {
        status |= kDoneError;
    }
    if (done.rowCount) {
        status |= kDoneCount;
    }
    return status;
}

}  // namespace

Bytes encodeReply(const Reply& reply, TdsVersion version) {
    TokenWriter tokens(version);
    std::optional<Done> heldBack;
    bool errorSinceDone = false;

    auto releaseHeldBack = [&](bool more) {
        if (heldBack) {
            tokens.done(static_cast<std::uint16_t>(doneStatus(*heldBack) | (more ? kDoneMore : 0)),
                        heldBack->curCmd, heldBack->rowCount.value_or(0));
            heldBack.reset();
        }
    };

    for (const ReplyItem& item : reply) {
        releaseHeldBack(true);
        if (const auto* done = std::get_if<Done>(&item)) {
            heldBack = *done;
            errorSinceDone = false;
        } else if (const auto* rows = std::get_if<RowSet>(&item)) {
            tokens.rowSet(*rows);
        } else if (const auto* message = std::get_if<Message>(&item)) {
            tokens.message(*message);
            errorSinceDone = errorSinceDone || message->severity > 10;
        } else if (const auto* change = std::get_if<DatabaseChanged>(&item)) {
            tokens.envChange(kEnvDatabase, change->newName, change->oldName);
        }
    }
    if (heldBack) {
        releaseHeldBack(false);
    } else {
        tokens.done(errorSinceDone ? kDoneError : 0, 0, 0);
    }
    return tokens.take();
}

Bytes encodeProcedureReplies(const std::vector<ProcedureReply>& replies, TdsVersion version) {
    TokenWriter tokens(version);
    for (std::size_t i = 0; i < replies.size(); ++i) {
        const ProcedureReply& procedure = replies[i];
        bool failed = false;
        for (const ReplyItem& item : procedure.reply) {
            if (const auto* done = std::get_if<Done>(&item)) {
                tokens.doneInProc(static_cast<std::uint16_t>(doneStatus(*done) | kDoneMore),
                                  done->curCmd, done->rowCount.value_or(0));
            } else if (const auto* rows = std::get_if<RowSet>(&item)) {
                tokens.rowSet(*rows);
            } else if (const auto* message = std::get_if<Message>(&item)) {
                tokens.message(*message);
                failed = failed || message->severity > 10;
            } else if (const auto* change = std::get_if<DatabaseChanged>(&item)) {
                tokens.envChange(kEnvDatabase, change->newName, change->oldName);
            }
        }
        if (procedure.returnStatus) {
            tokens.returnStatus(*procedure.returnStatus);
        }
        const bool last = i + 1 == replies.size();
        tokens.doneProc(
            static_cast<std::uint16_t>((failed ? kDoneError : 0) | (last ? 0 : kDoneMore)));
    }
    return tokens.take();
}

Bytes encodeErrorReply(const Message& error, TdsVersion version) {
    TokenWriter tokens(version);
    tokens.message(error);
    tokens.done(kDoneError, 0, 0);
    return tokens.take();
}

Bytes encodeAttentionAck(TdsVersion version) {
    TokenWriter tokens(version);
    tokens.done(kDoneAttention, 0, 0);
    return tokens.take();
}

Bytes encodeIgnoredAck(TdsVersion version) {
    TokenWriter tokens(version);
    tokens.done(kDoneError, 0, 0);
    return tokens.take();
}

}  // namespace devserver::tds
