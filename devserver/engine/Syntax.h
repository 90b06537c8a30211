#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "devserver/engine/Model.h"

// The statements the instance understands, as the parser hands them to the executor.
namespace devserver::syntax {

struct Expr {
    enum class Kind {
        String,   // text
        Integer,  // integer
        Null,
        Variable,  // text: the name with its @ or @@
        Column,    // parts: a column reference
        Function,  // text: name; children: arguments
        Unary,     // text: "-"; children[0]
        Binary,    // text: operator; children[0], children[1]
        Compare,   // text: operator; children[0], children[1]
        In,        // children[0] in children[1..]; negated
        IsNull,    // children[0]; negated
        And,
        Or,
        Not,
    };
    Kind kind = Kind::Null;
    std::u16string text;
    std::int64_t integer = 0;
    std::vector<std::u16string> parts;
    std::vector<Expr> children;
    bool negated = false;

    static Expr make(Kind kind, std::u16string text = {}) {
        Expr e;
        e.kind = kind;
        e.text = std::move(text);
        return e;
    }
    static Expr number(std::int64_t value) {
        Expr e = make(Kind::Integer);
        e.integer = value;
        return e;
    }
};

// One- to three-part object name as written, without brackets; empty parts for "a..b".
struct ObjectName {
    std::vector<std::u16string> parts;
    std::u16string written() const;
    const std::u16string& object() const { return parts.back(); }
};

struct SelectItem {
    bool star = false;
    Expr expr;
    std::optional<std::u16string> alias;
};

struct OrderItem {
    Expr expr;
    bool descending = false;
};

struct Select {
    bool distinct = false;
    std::optional<std::int64_t> top;
    std::vector<SelectItem> items;
    std::optional<ObjectName> from;
    std::optional<std::vector<Expr>> fromArguments;  // FROM names a table-valued function
    std::optional<Expr> where;
    std::vector<OrderItem> orderBy;
};

struct Use {
    std::u16string database;
};
struct SetOption {};
struct SetVariable {
    std::u16string name;
    Expr value;
};
struct ExecProcedure {
    std::u16string procedure;
    std::vector<Expr> arguments;
};
struct ExecText {
    Expr text;
};
struct AlterRecovery {
    std::u16string database;
    Recovery recovery = Recovery::Full;
};
// SET SINGLE_USER or MULTI_USER, and whether WITH ROLLBACK ends the other sessions.
struct AlterAccess {
    std::u16string database;
    UserAccess access = UserAccess::Multi;
    bool rollback = false;
};
struct ModifyFile {
    std::u16string database;
    std::u16string name;
    std::u16string newName;
};
struct Shrink {
    Expr database;  // a name, a text or a database id
};
struct DropDatabase {
    std::vector<std::u16string> names;
};
struct DropTable {
    ObjectName table;
};
struct Backup {
    std::u16string database;
    Expr path;
    bool format = false;
    bool copyOnly = false;
    bool log = false;  // BACKUP LOG
};
struct Move {
    Expr logicalName;
    Expr path;
};
struct Restore {
    std::u16string database;
    Expr path;
    bool replace = false;
    std::vector<Move> moves;
    std::int64_t setNumber = 1;
};
struct FileList {
    Expr path;
    std::int64_t setNumber = 1;
};
struct HeaderList {
    Expr path;
    std::int64_t setNumber = 0;  // 0: every set of the file
};
// One file of CREATE DATABASE … ON PRIMARY ( … ) LOG ON ( … ).
struct FileSpec {
    FileKind kind = FileKind::Data;
    std::u16string logicalName;
    Expr path;
    std::int64_t sizePages = 0;  // 0: SIZE not given
};
struct CreateDatabase {
    std::u16string name;
    std::vector<FileSpec> files;  // empty: files named after the database
    std::optional<std::u16string> collation{};
};
struct CreateTable {
    ObjectName table;
    std::vector<TableColumn> columns;
};
struct Insert {
    ObjectName table;
    std::vector<std::u16string> columns;
    std::vector<std::vector<Expr>> rows;
};
struct Kill {
    Expr spid;
};
struct VariableDeclaration {
    std::u16string name;
    TableColumn type;
    std::optional<Expr> initial;
};
struct DeclareVariables {
    std::vector<VariableDeclaration> variables;
};
struct DeclareCursor {
    std::u16string name;
    Select query;
};
struct OpenCursor {
    std::u16string name;
};
struct FetchCursor {
    std::u16string name;
    std::vector<std::u16string> into;
};
struct CloseCursor {
    std::u16string name;
};
struct DeallocateCursor {
    std::u16string name;
};
struct Print {
    Expr value;
};
struct NotModelledStatement {
    std::u16string firstWords;
};

struct Statement;
struct Block {
    std::vector<Statement> body;
};
struct While {
    Expr condition;
    std::vector<Statement> body;  // exactly one statement
};
struct If {
    Expr condition;
    std::vector<Statement> then;       // exactly one statement
    std::vector<Statement> otherwise;  // none or one
};

struct Statement {
    std::variant<Select, Use, SetOption, SetVariable, ExecProcedure, ExecText, AlterRecovery,
                 AlterAccess, ModifyFile, Shrink, DropDatabase, DropTable, Backup, Restore,
                 FileList, HeaderList, CreateDatabase, CreateTable, Insert, Kill,
                 DeclareVariables, DeclareCursor, OpenCursor, FetchCursor, CloseCursor,
                 DeallocateCursor, Print, Block, While, If, NotModelledStatement>
        node;
};

}  // namespace devserver::syntax
