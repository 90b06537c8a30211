#pragma once

#include "devserver/engine/Model.h"
#include "devserver/engine/Records.h"

// The user tables of a database as records, shared by data files and backup sets.
namespace devserver::records {

void writeContent(Writer& writer, const Content& content);
// Reads table, column and row records up to the first record of another type. Checks
// every value against its column, since the file may come from anywhere.
Content readContent(Reader& reader);

std::string fieldOf(const std::u16string& text);
std::u16string textOf(const std::string& field,
                      std::size_t maxLength = static_cast<std::size_t>(kMaxNVarCharLength));

void writeMembers(Writer& writer, const std::vector<DatabaseFile>& files);
std::vector<DatabaseFile> readMembers(Reader& reader);

std::string kindField(FileKind kind);
FileKind kindOf(const std::string& field);

}  // namespace devserver::records
