#pragma once

#include <stdexcept>
#include <vector>

#include "devserver/engine/Reply.h"

namespace devserver {

// A statement refused by the instance: the messages SQL Server would send, in order. The
// batch turns it into those messages followed by a DONE with the error bit.
class SqlError : public std::runtime_error {
  public:
    explicit SqlError(Message message);
    explicit SqlError(std::vector<Message> messages);

    const std::vector<Message>& messages() const { return messages_; }

  private:
    std::vector<Message> messages_;
};

}  // namespace devserver
