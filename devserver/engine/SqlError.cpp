#include "devserver/engine/SqlError.h"

#include "devserver/engine/Text.h"

namespace devserver {

SqlError::SqlError(Message message) : SqlError(std::vector<Message>{std::move(message)}) {}

SqlError::SqlError(std::vector<Message> messages)
    : std::runtime_error(messages.empty() ? std::string("error")
                                          : text::toUtf8(messages.front().text)),
      messages_(std::move(messages)) {}

}  // namespace devserver
