#pragma once

#include <vector>

#include "devserver/engine/Syntax.h"
#include "devserver/engine/Tokenizer.h"

namespace devserver {

// Parses a whole batch before any of it runs, as SQL Server compiles a batch first: a
// syntax error (SqlError of class 15) rejects the batch and nothing of it is done. A
// statement whose form the instance does not model becomes a NotModelledStatement that
// takes the rest of the batch; running it reports the error.
std::vector<syntax::Statement> parseBatch(const std::vector<Token>& tokens);

}  // namespace devserver
