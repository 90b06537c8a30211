#include "devserver/engine/ContentRecords.h"

#include <charconv>

#include "devserver/engine/Text.h"

namespace devserver::records {

namespace {

constexpr int kMaxColumns = 1024;
constexpr int kMaxFiles = 32767;

std::string typeField(ColumnType type) {
    switch (type) {
        case ColumnType::Int:
            return "int";
        case ColumnType::SmallInt:
            return "smallint";
        case ColumnType::BigInt:
            return "bigint";
        case ColumnType::NChar:
            return "nchar";
        case ColumnType::Real:  // only system views and RESTORE answer these; tables never do
        case ColumnType::TinyInt:
        case ColumnType::Bit:
        case ColumnType::DateTime:
        case ColumnType::Numeric:
        case ColumnType::UniqueIdentifier:
        case ColumnType::VarBinary:
        case ColumnType::Char:
        case ColumnType::NVarChar:
            break;
    }
    return "nvarchar";
}

ColumnType typeOf(const std::string& field) {
    if (field == "int") {
        return ColumnType::Int;
    }
    if (field == "smallint") {
        return ColumnType::SmallInt;
    }
    if (field == "bigint") {
        return ColumnType::BigInt;
    }
    if (field == "nchar") {
        return ColumnType::NChar;
    }

    if (field == "nvarchar") {
        return ColumnType::NVarChar;
    }
    throw FormatError("unknown column type");
}

std::int64_t toPages(const std::string& field) {
    std::int64_t pages = 0;
    const auto [stop, error] = std::from_chars(field.data(), field.data() + field.size(), pages);
    constexpr std::int64_t kMostPages = std::int64_t{1} << 37;  // 1 PB
    if (error != std::errc() || stop != field.data() + field.size() || pages < 0 ||
        pages > kMostPages) {
        throw FormatError("bad file size");
    }
    return pages;
}

bool isText(ColumnType type) {
    return type == ColumnType::NVarChar || type == ColumnType::NChar;
}

std::string valueField(const Value& value) {
    if (!value) {
        return kNull;
    }
    if (const auto* integer = std::get_if<std::int64_t>(&*value)) {
        return "i:" + std::to_string(*integer);
    }
    return "s:" + text::toUtf8(std::get<std::u16string>(*value));
}

Value valueOf(const std::string& field, const TableColumn& column) {
    if (field == kNull) {
        if (!column.nullable) {
            throw FormatError("null in a not-null column");
        }
        return std::nullopt;
    }
    if (field.rfind("i:", 0) == 0 && !isText(column.type)) {
        std::int64_t value = 0;
        const char* begin = field.data() + 2;
        const char* end = field.data() + field.size();
        const auto [stop, error] = std::from_chars(begin, end, value);
        if (error != std::errc() || stop != end) {
            throw FormatError("bad integer");
        }
        return value;
    }
    if (field.rfind("s:", 0) == 0 && isText(column.type)) {
        return textOf(field.substr(2), static_cast<std::size_t>(column.length));
    }
    throw FormatError("value does not fit its column");
}

}  // namespace

std::string fieldOf(const std::u16string& text) {
    return text::toUtf8(text);
}

std::u16string textOf(const std::string& field, std::size_t maxLength) {
    std::u16string value = text::fromUtf8(field);
    if (value.size() > maxLength) {
        throw FormatError("text too long");
    }
    return value;
}

void writeContent(Writer& writer, const Content& content) {
    for (const Table& table : content.tables) {
        writer.add({"table", fieldOf(table.name)});
        for (const TableColumn& column : table.columns) {
            writer.add({"column", fieldOf(column.name), typeField(column.type),
                        std::to_string(column.length), column.nullable ? "1" : "0"});
        }
        for (const auto& row : table.rows) {
            Record record{"row"};
            for (const Value& value : row) {
                record.push_back(valueField(value));
            }
            writer.add(record);
        }
    }
}

Content readContent(Reader& reader) {
    Content content;
    while (reader.nextIs("table")) {
        Table table;
        table.name = textOf(reader.take("table", 1)[1], 128);
        while (reader.nextIs("column")) {
            const Record& r = reader.take("column", 4);
            TableColumn column{textOf(r[1], 128), typeOf(r[2]), toInt(r[3], 0, kMaxNVarCharLength),
                               toInt(r[4], 0, 1) == 1};
            if (isText(column.type) && column.length < 1) {
                throw FormatError("bad length");
            }
            table.columns.push_back(std::move(column));
            if (table.columns.size() > kMaxColumns) {
                throw FormatError("too many columns");
            }
        }
        if (table.columns.empty() || table.name.empty()) {
            throw FormatError("table without columns");
        }
        while (reader.nextIs("row")) {
            const Record& r = reader.take();
            if (r.size() != table.columns.size() + 1) {
                throw FormatError("row does not fit its table");
            }
            std::vector<Value> row;
            for (std::size_t i = 0; i < table.columns.size(); ++i) {
                row.push_back(valueOf(r[i + 1], table.columns[i]));
            }
            table.rows.push_back(std::move(row));
        }
        content.tables.push_back(std::move(table));
    }
    return content;
}

std::string kindField(FileKind kind) {
    return kind == FileKind::Data ? "D" : "L";
}

FileKind kindOf(const std::string& field) {
    if (field == "D") {
        return FileKind::Data;
    }
    if (field == "L") {
        return FileKind::Log;
    }
    throw FormatError("bad file kind");
}

void writeMembers(Writer& writer, const std::vector<DatabaseFile>& files) {
    for (const DatabaseFile& file : files) {
        writer.add({"member", std::to_string(file.fileId), kindField(file.kind),
                    fieldOf(file.logicalName), file.path.string(), std::to_string(file.sizePages)});
    }
}

std::vector<DatabaseFile> readMembers(Reader& reader) {
    std::vector<DatabaseFile> files;
    while (reader.nextIs("member")) {
        // Files written before sizes were recorded have one field less.
        const Record& r = reader.take();
        if (r.size() != 5 && r.size() != 6) {
            throw FormatError("bad member");
        }
        DatabaseFile file{toInt(r[1], 1, kMaxFiles), kindOf(r[2]), textOf(r[3], 128), r[4],
                          r.size() == 6 ? toPages(r[5]) : 0};
        if (file.logicalName.empty() || r[4].empty() ||
            (!files.empty() && file.fileId <= files.back().fileId)) {
            throw FormatError("bad member");
        }
        files.push_back(std::move(file));
    }
    if (files.empty() || files.front().kind != FileKind::Data) {
        throw FormatError("no primary file");
    }
    return files;
}

}  // namespace devserver::records
