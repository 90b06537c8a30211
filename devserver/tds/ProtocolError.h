#pragma once

#include <stdexcept>

namespace devserver::tds {

// The peer sent something that is not valid TDS; only its own connection is dropped.
class ProtocolError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The peer went away (or its socket was shut down, as KILL does).
class ConnectionClosed : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace devserver::tds
