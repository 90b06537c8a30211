#pragma once

#include <map>
#include <string>
#include <string_view>

#include "devserver/engine/Model.h"

// The `catalog` file in the data folder: which databases exist, with id, recovery model,
// log chain and files. The content lives in each database's data file.
namespace devserver::catalog_file {

std::string encode(const std::map<int, Database>& databases);
// Throws records::FormatError when the file is damaged.
std::map<int, Database> decode(std::string_view bytes);

}  // namespace devserver::catalog_file
