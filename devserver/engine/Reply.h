#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// What the instance answers to a batch, as an ordered list of items that the TDS layer
// turns into tokens one for one. The TDS layer adds nothing of its own except the MORE
// bit on every DONE but the last.
namespace devserver {

// The last seven come only from statements that answer with SQL Server's own result sets
// (RESTORE HEADERONLY, FILELISTONLY); user tables hold integers and texts.
enum class ColumnType {
    Int,
    SmallInt,
    BigInt,
    Real,
    NVarChar,
    NChar,
    TinyInt,
    Bit,
    DateTime,          // values as text: yyyy-mm-dd hh:mm:ss[.mmm]
    Numeric,           // decimal(length, 0); integer values
    UniqueIdentifier,  // values as text: XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX
    VarBinary,         // values as text of hexadecimal digits
    Char,              // single-byte text; values beyond ASCII go as '?'
};

// The longest NVARCHAR the instance holds or sends, and what NVARCHAR(MAX) stands for:
// beyond it a column would need the nvarchar(max) encoding, which is not modelled.
inline constexpr int kMaxNVarCharLength = 4000;

struct Column {
    std::u16string name;
    ColumnType type = ColumnType::NVarChar;
    // Characters for NVarChar/NChar/Char (NChar values are padded to it with blanks by the
    // engine, not by the TDS layer), bytes for VarBinary, the precision for Numeric; ignored
    // for the other types.
    int length = 128;
    bool nullable = true;
};

// A real only ever comes from a system view (percent_complete); tables hold integers and
// texts.
using Value = std::optional<std::variant<std::int64_t, std::u16string, double>>;  // nullopt: NULL

struct RowSet {
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;
};

// Severity (class) above 10 is sent as ERROR, otherwise as INFO.
struct Message {
    std::int32_t number = 0;
    std::uint8_t state = 1;
    std::uint8_t severity = 16;
    std::u16string text;
};

// The DONE token's CurCmd after a SELECT; 0 after any other statement is fine for clients.
inline constexpr std::uint16_t kCurCmdSelect = 0xC1;

// One DONE per statement.
struct Done {
    bool error = false;
    std::optional<std::uint64_t> rowCount;  // sets the COUNT bit when present
    std::uint16_t curCmd = 0;
};

// ENVCHANGE type 1, after USE or at login.
struct DatabaseChanged {
    std::u16string newName;
    std::u16string oldName;
};

using ReplyItem = std::variant<RowSet, Message, Done, DatabaseChanged>;
using Reply = std::vector<ReplyItem>;

}  // namespace devserver
