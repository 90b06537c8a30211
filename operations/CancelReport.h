#pragma once

#include <QString>
#include <optional>

#include "CallPurpose.h"

class HelperConnection;

// The status line after the server stopped a call at the operator's word: what was
// cancelled and what the server shows now, read back over the helper connection, never
// assumed. Where the helper cannot read it, the text says that it could not be checked.
QString cancelledStatus(const std::optional<CallPurpose>& purpose, HelperConnection& helper);
