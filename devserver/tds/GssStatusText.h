#pragma once

#include <gssapi/gssapi.h>

#include <string>

namespace devserver::tds {

// "step: GSS-API's words (the mechanism's words)": the mechanism's (Kerberos') text says more
// than the generic one, so both are kept; a minor status of 0 says nothing and is left out.
std::string gssFailureText(const char* step, OM_uint32 major, OM_uint32 minor);

}  // namespace devserver::tds
