#pragma once

#include <vector>

#include "devserver/engine/Reply.h"

namespace devserver {

// A table as SELECT reads it: a catalogue view or a user table.
struct Relation {
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;
    // Under a case-sensitive or binary collation: column names resolve only as stored, and
    // texts compare with regard to case.
    bool caseSensitive = false;
};

}  // namespace devserver
