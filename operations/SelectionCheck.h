#pragma once

#include <QString>
#include <optional>

class OperationHost;

// The database selected in the list, exactly as listed; with nothing selected, shows
// "请选择数据库" and gives nothing, and the caller ends.
std::optional<QString> selectedDatabase(OperationHost& host);
