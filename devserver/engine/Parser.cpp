#include "devserver/engine/Parser.h"

#include <array>
#include <limits>
#include <string_view>

#include "devserver/engine/Messages.h"
#include "devserver/engine/Reply.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Text.h"

namespace devserver {

using namespace syntax;

std::u16string ObjectName::written() const {
    std::u16string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        out += (i == 0 ? u"" : u".") + parts[i];
    }
    return out;
}

namespace {

constexpr int kMaxDepth = 128;
constexpr std::size_t kFirstWordsTokens = 4;

// Where a statement that the instance does not model begins.
struct Unmodelled {
    std::size_t start;
};

bool isStatementStart(const Token& token) {
    static constexpr std::array<std::string_view, 30> kStarts = {
        "SELECT", "INSERT", "UPDATE",     "DELETE", "USE",     "SET",     "EXEC",    "EXECUTE",
        "ALTER",  "DBCC",   "DROP",       "BACKUP", "RESTORE", "CREATE",  "DECLARE", "OPEN",
        "FETCH",  "CLOSE",  "DEALLOCATE", "WHILE",  "BEGIN",   "END",     "IF",      "ELSE",
        "KILL",   "PRINT",  "RETURN",     "GRANT",  "REVOKE",  "TRUNCATE"};
    if (token.kind != Token::Kind::Word) {
        return false;
    }
    for (const auto start : kStarts) {
        if (text::equalsKeyword(token.text, start)) {
            return true;
        }
    }
    return false;
}

std::u16string rawText(const Token& token) {
    switch (token.kind) {
        case Token::Kind::Quoted:
            return u"[" + token.text + u"]";
        case Token::Kind::String:
            return (token.national ? u"N'" : u"'") + token.text + u"'";
        default:
            return token.text;
    }
}

class Parser {
  public:
    explicit Parser(const std::vector<Token>& tokens) : t_(tokens) {}

    std::vector<Statement> batch() {
        std::vector<Statement> out;
        bool first = true;
        while (!atEnd()) {
            if (acceptSymbol(u";")) {
                continue;
            }
            try {
                out.push_back(statement(first));
            } catch (const Unmodelled& unmodelled) {
                out.push_back({NotModelledStatement{firstWords(unmodelled.start)}});
                pos_ = t_.size();
            }
            first = false;
        }
        return out;
    }

  private:
    class Nesting {
      public:
        explicit Nesting(Parser& p) : p_(p) {
            if (++p_.depth_ > kMaxDepth) {
                throw SqlError(messages::nestedTooDeeply());
            }
        }
        ~Nesting() { --p_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

      private:
        Parser& p_;
    };

    class StatementStart {
      public:
        explicit StatementStart(Parser& p) : p_(p) { p_.starts_.push_back(p_.pos_); }
        ~StatementStart() { p_.starts_.pop_back(); }
        StatementStart(const StatementStart&) = delete;
        StatementStart& operator=(const StatementStart&) = delete;

      private:
        Parser& p_;
    };

    // --- tokens -------------------------------------------------------------------------

    bool atEnd() const { return pos_ >= t_.size(); }
    const Token* peek(std::size_t ahead = 0) const {
        return pos_ + ahead < t_.size() ? &t_[pos_ + ahead] : nullptr;
    }
    const Token& advance() {
        if (atEnd()) {
            syntaxError();
        }
        return t_[pos_++];
    }
    bool peekWord(std::string_view word, std::size_t ahead = 0) const {
        const Token* t = peek(ahead);
        return t && t->kind == Token::Kind::Word && text::equalsKeyword(t->text, word);
    }
    bool acceptWord(std::string_view word) {
        if (peekWord(word)) {
            ++pos_;
            return true;
        }
        return false;
    }
    void expectWord(std::string_view word) {
        if (!acceptWord(word)) {
            syntaxError();
        }
    }
    bool peekSymbol(std::u16string_view symbol, std::size_t ahead = 0) const {
        const Token* t = peek(ahead);
        return t && t->kind == Token::Kind::Symbol && t->text == symbol;
    }
    bool acceptSymbol(std::u16string_view symbol) {
        if (peekSymbol(symbol)) {
            ++pos_;
            return true;
        }
        return false;
    }
    void expectSymbol(std::u16string_view symbol) {
        if (!acceptSymbol(symbol)) {
            syntaxError();
        }
    }
    bool peekKind(Token::Kind kind, std::size_t ahead = 0) const {
        const Token* t = peek(ahead);
        return t && t->kind == kind;
    }
    bool peekName(std::size_t ahead = 0) const {
        const Token* t = peek(ahead);
        return t && (t->kind == Token::Kind::Quoted ||
                     (t->kind == Token::Kind::Word && !isReservedKeyword(t->text)));
    }

    [[noreturn]] void syntaxError() const {
        if (t_.empty()) {
            throw SqlError(messages::syntaxNear(u""));
        }
        const Token& near = atEnd() ? t_.back() : t_[pos_];
        if (near.kind == Token::Kind::Word && isReservedKeyword(near.text)) {
            throw SqlError(messages::syntaxNearKeyword(near.text));
        }
        throw SqlError(messages::syntaxNear(near.text));
    }

    [[noreturn]] void unmodelled() const { throw Unmodelled{starts_.back()}; }

    std::u16string firstWords(std::size_t start) const {
        std::u16string words;
        for (std::size_t i = start; i < t_.size() && i < start + kFirstWordsTokens; ++i) {
            if (t_[i].kind == Token::Kind::Symbol && t_[i].text == u";") {
                break;
            }
            words += (words.empty() ? u"" : u" ") + rawText(t_[i]);
        }
        return words;
    }

    // --- names and literals -------------------------------------------------------------

    std::u16string name() {
        if (!peekName()) {
            syntaxError();
        }
        return advance().text;
    }

    std::u16string nameOrString() {
        if (peekKind(Token::Kind::String)) {
            return advance().text;
        }
        return name();
    }

    ObjectName objectName() {
        ObjectName n;
        n.parts.push_back(name());
        while (acceptSymbol(u".")) {
            if (peekSymbol(u".")) {
                n.parts.emplace_back();
                continue;
            }
            n.parts.push_back(name());
        }
        if (n.parts.size() > 3) {
            unmodelled();
        }
        return n;
    }

    std::int64_t integerLiteral() {
        bool negative = acceptSymbol(u"-");
        if (!peekKind(Token::Kind::Number)) {
            syntaxError();
        }
        const std::u16string& digits = advance().text;
        std::int64_t value = 0;
        for (const char16_t c : digits) {
            if (c == u'.') {
                --pos_;
                syntaxError();
            }
            if (value > (std::numeric_limits<std::int64_t>::max() - (c - u'0')) / 10) {
                throw SqlError(messages::arithmeticOverflow());
            }
            value = value * 10 + (c - u'0');
        }
        return negative ? -value : value;
    }

    // --- statements ---------------------------------------------------------------------

    Statement statement(bool firstInBatch) {
        Nesting nesting(*this);
        StatementStart start(*this);
        if (atEnd()) {
            syntaxError();  // a WHILE, IF or ELSE without its statement
        }
        const Token& token = *peek();
        if (token.kind != Token::Kind::Word) {
            if (token.kind == Token::Kind::Quoted && firstInBatch) {
                return {procedureCall()};
            }
            syntaxError();
        }
        if (peekWord("SELECT")) {
            return {select()};
        }
        if (acceptWord("USE")) {
            return {Use{name()}};
        }
        if (peekWord("SET")) {
            return setStatement();
        }
        if (acceptWord("EXEC") || acceptWord("EXECUTE")) {
            return exec();
        }
        if (acceptWord("ALTER")) {
            return alter();
        }
        if (acceptWord("DBCC")) {
            return dbcc();
        }
        if (acceptWord("DROP")) {
            return drop();
        }
        if (acceptWord("BACKUP")) {
            return {backup()};
        }
        if (acceptWord("RESTORE")) {
            return restore();
        }
        if (acceptWord("CREATE")) {
            return create();
        }
        if (acceptWord("INSERT")) {
            return {insert()};
        }
        if (acceptWord("KILL")) {
            Kill kill{expression()};
            if (peekWord("WITH")) {
                unmodelled();
            }
            return {std::move(kill)};
        }
        if (acceptWord("DECLARE")) {
            return declare();
        }
        if (acceptWord("OPEN")) {
            return {OpenCursor{cursorName()}};
        }
        if (acceptWord("FETCH")) {
            return {fetch()};
        }
        if (acceptWord("CLOSE")) {
            return {CloseCursor{cursorName()}};
        }
        if (acceptWord("DEALLOCATE")) {
            return {DeallocateCursor{cursorName()}};
        }
        if (acceptWord("WHILE")) {
            While loop{condition(), {}};
            loop.body.push_back(statement(false));
            return {std::move(loop)};
        }
        if (acceptWord("IF")) {
            If branch{condition(), {}, {}};
            branch.then.push_back(statement(false));
            if (acceptWord("ELSE")) {
                branch.otherwise.push_back(statement(false));
            }
            return {std::move(branch)};
        }
        if (acceptWord("BEGIN")) {
            return block();
        }
        if (acceptWord("PRINT")) {
            return {Print{expression()}};
        }
        if (peekWord("END") || peekWord("ELSE")) {
            syntaxError();
        }
        if (firstInBatch && !isReservedKeyword(token.text)) {
            return {procedureCall()};
        }
        unmodelled();
    }

    Statement block() {
        if (peekWord("TRAN") || peekWord("TRANSACTION") || peekWord("TRY") ||
            peekWord("DISTRIBUTED") || peekWord("ATOMIC")) {
            unmodelled();
        }
        Block b;
        while (!acceptWord("END")) {
            if (atEnd()) {
                syntaxError();
            }
            if (acceptSymbol(u";")) {
                continue;
            }
            b.body.push_back(statement(false));
        }
        return {std::move(b)};
    }

    Select select() {
        expectWord("SELECT");
        Select s;
        if (acceptWord("DISTINCT")) {
            s.distinct = true;
        } else {
            acceptWord("ALL");
        }
        if (acceptWord("TOP")) {
            if (acceptSymbol(u"(")) {
                s.top = integerLiteral();
                expectSymbol(u")");
            } else {
                s.top = integerLiteral();
            }
            if (peekWord("PERCENT") || peekWord("WITH")) {
                unmodelled();
            }
        }
        do {
            s.items.push_back(selectItem());
        } while (acceptSymbol(u","));
        if (peekWord("INTO")) {
            unmodelled();
        }
        if (acceptWord("FROM")) {
            s.from = objectName();
            if (acceptSymbol(u"(")) {
                s.fromArguments.emplace();
                if (!acceptSymbol(u")")) {
                    do {
                        s.fromArguments->push_back(expression());
                    } while (acceptSymbol(u","));
                    expectSymbol(u")");
                }
            }
            if (acceptWord("AS")) {
                name();
            } else if (peekName() && !isStatementStart(*peek())) {
                ++pos_;
            }
            if (peekSymbol(u",") || peekWord("JOIN") || peekWord("INNER") || peekWord("LEFT") ||
                peekWord("RIGHT") || peekWord("CROSS") || peekWord("FULL") || peekWord("OUTER") ||
                peekWord("WITH") || peekWord("TABLESAMPLE") || peekSymbol(u"(")) {
                unmodelled();
            }
        }
        if (acceptWord("WHERE")) {
            s.where = condition();
        }
        if (peekWord("GROUP") || peekWord("HAVING")) {
            unmodelled();
        }
        if (acceptWord("ORDER")) {
            expectWord("BY");
            do {
                OrderItem item{expression(), false};
                if (acceptWord("DESC")) {
                    item.descending = true;
                } else {
                    acceptWord("ASC");
                }
                s.orderBy.push_back(std::move(item));
            } while (acceptSymbol(u","));
            if (peekWord("OFFSET")) {
                unmodelled();
            }
        }
        if (peekWord("UNION") || peekWord("EXCEPT") || peekWord("INTERSECT") ||
            peekWord("OPTION") || peekWord("COMPUTE")) {
            unmodelled();
        }
        return s;
    }

    SelectItem selectItem() {
        SelectItem item;
        if (acceptSymbol(u"*")) {
            item.star = true;
            return item;
        }
        if (peekName() && peekSymbol(u".", 1) && peekSymbol(u"*", 2)) {
            pos_ += 3;
            item.star = true;
            return item;
        }
        if (peekKind(Token::Kind::Variable) && peekSymbol(u"=", 1)) {
            unmodelled();  // assignment through SELECT
        }
        item.expr = expression();
        if (acceptWord("AS")) {
            item.alias = nameOrString();
        } else if (peekKind(Token::Kind::String) || (peekName() && !isStatementStart(*peek()))) {
            item.alias = advance().text;
        }
        return item;
    }

    Statement setStatement() {
        expectWord("SET");
        if (peekKind(Token::Kind::Variable)) {
            SetVariable set{advance().text, {}};
            if (!acceptSymbol(u"=")) {
                unmodelled();
            }
            set.value = expression();
            return {std::move(set)};
        }
        if (atEnd() || peekSymbol(u";")) {
            syntaxError();
        }
        // Session options change nothing that the instance models; the statement ends where
        // the next one begins.
        while (!atEnd() && !peekSymbol(u";") && !isStatementStart(*peek())) {
            ++pos_;
        }
        return {SetOption{}};
    }

    Statement exec() {
        if (acceptSymbol(u"(")) {
            ExecText e{expression()};
            expectSymbol(u")");
            if (peekWord("AS") || peekWord("AT")) {
                unmodelled();
            }
            return {std::move(e)};
        }
        if (peekKind(Token::Kind::Variable)) {
            unmodelled();
        }
        return {procedureCall()};
    }

    bool peekArgumentStart() const {
        const Token* t = peek();
        if (!t) {
            return false;
        }
        switch (t->kind) {
            case Token::Kind::String:
            case Token::Kind::Number:
            case Token::Kind::Variable:
            case Token::Kind::Quoted:
                return true;
            case Token::Kind::Word:
                return !isReservedKeyword(t->text) || text::equalsKeyword(t->text, "NULL") ||
                       text::equalsKeyword(t->text, "DEFAULT");
            case Token::Kind::Symbol:
                return t->text == u"-";
        }
        return false;
    }

    ExecProcedure procedureCall() {
        ExecProcedure call{objectName().object(), {}};
        if (!peekArgumentStart()) {
            return call;
        }
        do {
            if (peekKind(Token::Kind::Variable) && peekSymbol(u"=", 1)) {
                pos_ += 2;
            }
            if (acceptWord("NULL") || acceptWord("DEFAULT")) {
                call.arguments.push_back(Expr{});
            } else if (peekName()) {
                // A bare word passed to a procedure is a character string in T-SQL.
                call.arguments.push_back(Expr::make(Expr::Kind::String, advance().text));
            } else {
                call.arguments.push_back(expression());
            }
            if (peekWord("OUTPUT") || peekWord("OUT")) {
                unmodelled();
            }
        } while (acceptSymbol(u","));
        return call;
    }

    Statement alter() {
        if (!acceptWord("DATABASE")) {
            unmodelled();
        }
        if (peekWord("CURRENT")) {
            unmodelled();
        }
        const std::u16string database = name();
        if (acceptWord("SET")) {
            if (peekWord("SINGLE_USER") || peekWord("MULTI_USER")) {
                return accessMode(database);
            }
            if (!acceptWord("RECOVERY")) {
                unmodelled();
            }
            AlterRecovery alter{database, Recovery::Full};
            if (acceptWord("SIMPLE")) {
                alter.recovery = Recovery::Simple;
            } else if (!acceptWord("FULL")) {
                if (peekWord("BULK_LOGGED")) {
                    unmodelled();
                }
                syntaxError();
            }
            if (acceptWord("WITH")) {
                terminationClause();
            }
            return {std::move(alter)};
        }
        if (acceptWord("MODIFY")) {
            if (!acceptWord("FILE")) {
                unmodelled();
            }
            ModifyFile modify{database, {}, {}};
            expectSymbol(u"(");
            expectWord("NAME");
            expectSymbol(u"=");
            modify.name = nameOrString();
            expectSymbol(u",");
            if (!acceptWord("NEWNAME")) {
                unmodelled();
            }
            expectSymbol(u"=");
            modify.newName = nameOrString();
            if (peekSymbol(u",")) {
                unmodelled();
            }
            expectSymbol(u")");
            return {std::move(modify)};
        }
        if (peekWord("ADD") || peekWord("REMOVE") || peekWord("COLLATE")) {
            unmodelled();
        }
        syntaxError();  // for instance a name with a blank that was not bracketed
    }

    Statement accessMode(const std::u16string& database) {
        AlterAccess alter{database, UserAccess::Multi, false};
        if (acceptWord("SINGLE_USER")) {
            alter.access = UserAccess::Single;
        } else {
            expectWord("MULTI_USER");
        }
        if (acceptWord("WITH")) {
            alter.rollback = terminationClause();
        }
        return {std::move(alter)};
    }

    // The instance applies a change at once, so how long it would wait does not matter;
    // whether it ends the other sessions does. True for ROLLBACK.
    bool terminationClause() {
        if (acceptWord("NO_WAIT")) {
            return false;
        }
        expectWord("ROLLBACK");
        if (acceptWord("IMMEDIATE")) {
            return true;
        }
        expectWord("AFTER");
        integerLiteral();
        acceptWord("SECONDS");
        return true;
    }

    Statement dbcc() {
        if (!acceptWord("SHRINKDATABASE")) {
            unmodelled();
        }
        expectSymbol(u"(");
        Shrink shrink;
        if (peekKind(Token::Kind::Number)) {
            shrink.database = Expr::number(integerLiteral());
        } else {
            shrink.database = Expr::make(Expr::Kind::String, nameOrString());
        }
        if (acceptSymbol(u",")) {
            integerLiteral();
            if (acceptSymbol(u",")) {
                if (!acceptWord("NOTRUNCATE") && !acceptWord("TRUNCATEONLY")) {
                    syntaxError();
                }
            }
        }
        expectSymbol(u")");
        if (acceptWord("WITH")) {
            do {
                if (!acceptWord("NO_INFOMSGS")) {
                    unmodelled();
                }
            } while (acceptSymbol(u","));
        }
        return {std::move(shrink)};
    }

    Statement drop() {
        if (acceptWord("DATABASE")) {
            if (peekWord("IF")) {
                unmodelled();
            }
            DropDatabase drop;
            do {
                drop.names.push_back(name());
            } while (acceptSymbol(u","));
            return {std::move(drop)};
        }
        if (acceptWord("TABLE")) {
            if (peekWord("IF")) {
                unmodelled();
            }
            DropTable drop{objectName()};
            if (peekSymbol(u",")) {
                unmodelled();
            }
            return {std::move(drop)};
        }
        unmodelled();
    }

    Expr diskDevice() {
        if (!acceptWord("DISK")) {
            unmodelled();
        }
        expectSymbol(u"=");
        Expr path = expression();
        if (peekSymbol(u",")) {
            unmodelled();  // striped media
        }
        return path;
    }

    // Options that change nothing in this model; their values are read and dropped.
    bool acceptIgnoredOption() {
        static constexpr std::array<std::string_view, 14> kFlags = {
            "NOFORMAT", "NOINIT",      "SKIP",           "NOSKIP",       "NOUNLOAD",
            "UNLOAD",   "REWIND",      "NOREWIND",       "CHECKSUM",     "NO_CHECKSUM",
            "RECOVERY", "COMPRESSION", "NO_COMPRESSION", "STOP_ON_ERROR"};
        for (const auto flag : kFlags) {
            if (acceptWord(flag)) {
                return true;
            }
        }
        if (acceptWord("STATS")) {
            if (acceptSymbol(u"=")) {
                integerLiteral();
            }
            return true;
        }
        if (acceptWord("NAME") || acceptWord("DESCRIPTION") || acceptWord("MEDIANAME") ||
            acceptWord("MEDIADESCRIPTION")) {
            expectSymbol(u"=");
            expression();
            return true;
        }
        return false;
    }

    Backup backup() {
        Backup b;
        if (acceptWord("LOG")) {
            b.log = true;
        } else if (!acceptWord("DATABASE")) {
            unmodelled();
        }
        b.database = name();
        expectWord("TO");
        b.path = diskDevice();
        if (peekWord("MIRROR")) {
            unmodelled();
        }
        if (acceptWord("WITH")) {
            do {
                if (acceptWord("FORMAT") || acceptWord("INIT")) {
                    b.format = true;
                } else if (acceptWord("COPY_ONLY")) {
                    b.copyOnly = true;
                } else if (!acceptIgnoredOption()) {
                    unmodelled();
                }
            } while (acceptSymbol(u","));
        }
        return b;
    }

    std::int64_t setNumberOption() {
        expectSymbol(u"=");
        return integerLiteral();
    }

    // A listing's [WITH FILE = n [, options it ignores]]: the backup set it reads.
    std::int64_t listingSetNumber(std::int64_t fallback) {
        std::int64_t set = fallback;
        if (acceptWord("WITH")) {
            do {
                if (acceptWord("FILE")) {
                    set = setNumberOption();
                } else if (!acceptIgnoredOption()) {
                    unmodelled();
                }
            } while (acceptSymbol(u","));
        }
        return set;
    }

    Statement restore() {
        if (acceptWord("DATABASE")) {
            Restore r;
            r.database = name();
            expectWord("FROM");
            r.path = diskDevice();
            if (acceptWord("WITH")) {
                do {
                    if (acceptWord("REPLACE")) {
                        r.replace = true;
                    } else if (acceptWord("MOVE")) {
                        Move move{expression(), {}};
                        expectWord("TO");
                        move.path = expression();
                        r.moves.push_back(std::move(move));
                    } else if (acceptWord("FILE")) {
                        r.setNumber = setNumberOption();
                    } else if (!acceptIgnoredOption()) {
                        unmodelled();
                    }
                } while (acceptSymbol(u","));
            }
            return {std::move(r)};
        }
        if (acceptWord("FILELISTONLY")) {
            expectWord("FROM");
            FileList list{diskDevice()};
            list.setNumber = listingSetNumber(list.setNumber);
            return {std::move(list)};
        }
        if (acceptWord("HEADERONLY")) {
            expectWord("FROM");
            HeaderList list{diskDevice()};
            list.setNumber = listingSetNumber(list.setNumber);
            return {std::move(list)};
        }
        unmodelled();
    }

    Statement create() {
        if (acceptWord("DATABASE")) {
            CreateDatabase create{name(), {}};
            if (acceptWord("ON")) {
                acceptWord("PRIMARY");
                fileSpecs(FileKind::Data, create.files);
            }
            if (acceptWord("LOG")) {
                expectWord("ON");
                fileSpecs(FileKind::Log, create.files);
            }
            if (acceptWord("COLLATE")) {
                create.collation = name();
            }
            if (peekWord("ON") || peekWord("COLLATE") || peekWord("WITH") || peekWord("LOG") ||
                peekWord("CONTAINMENT") || peekWord("AS")) {
                unmodelled();
            }
            return {std::move(create)};
        }
        if (acceptWord("TABLE")) {
            CreateTable create{objectName(), {}};
            expectSymbol(u"(");
            do {
                TableColumn column = dataType(name());
                if (acceptWord("NOT")) {
                    expectWord("NULL");
                    column.nullable = false;
                } else {
                    acceptWord("NULL");
                }
                if (!peekSymbol(u",") && !peekSymbol(u")")) {
                    unmodelled();  // constraints, defaults, identity, collation
                }
                create.columns.push_back(std::move(column));
            } while (acceptSymbol(u","));
            expectSymbol(u")");
            return {std::move(create)};
        }
        unmodelled();
    }

    // ( NAME = …, FILENAME = '…', SIZE = n[KB|MB|GB|TB], MAXSIZE = …, FILEGROWTH = … ), …
    // Filegroups are not modelled; the growth settings are read and not kept.
    void fileSpecs(FileKind kind, std::vector<FileSpec>& files) {
        do {
            if (peekWord("FILEGROUP")) {
                unmodelled();
            }
            expectSymbol(u"(");
            FileSpec file;
            file.kind = kind;
            bool named = false;
            bool placed = false;
            do {
                if (acceptWord("NAME")) {
                    expectSymbol(u"=");
                    file.logicalName = nameOrString();
                    named = true;
                } else if (acceptWord("FILENAME")) {
                    expectSymbol(u"=");
                    file.path = expression();
                    placed = true;
                } else if (acceptWord("SIZE")) {
                    expectSymbol(u"=");
                    file.sizePages = sizeInPages();
                } else if (acceptWord("MAXSIZE")) {
                    expectSymbol(u"=");
                    if (!acceptWord("UNLIMITED")) {
                        sizeInPages();
                    }
                } else if (acceptWord("FILEGROWTH")) {
                    expectSymbol(u"=");
                    integerLiteral();
                    if (!acceptSymbol(u"%")) {
                        acceptSizeUnit();
                    }
                } else {
                    unmodelled();
                }
            } while (acceptSymbol(u","));
            expectSymbol(u")");
            if (!named || !placed) {
                syntaxError();
            }
            files.push_back(std::move(file));
        } while (acceptSymbol(u","));
    }

    // A size in KB, MB (the default), GB or TB, as whole 8-KB pages.
    std::int64_t sizeInPages() {
        const std::int64_t amount = integerLiteral();
        const std::int64_t unit = acceptSizeUnit();
        constexpr std::int64_t kLargestKilobytes = std::int64_t{1} << 40;  // 1 PB
        if (amount < 0 || amount > kLargestKilobytes / unit) {
            throw SqlError(messages::arithmeticOverflow());
        }
        return (amount * unit + 7) / 8;
    }

    // Kilobytes per unit of the size unit that follows, if any.
    std::int64_t acceptSizeUnit() {
        if (acceptWord("KB")) {
            return 1;
        }
        if (acceptWord("GB")) {
            return std::int64_t{1024} * 1024;
        }
        if (acceptWord("TB")) {
            return std::int64_t{1024} * 1024 * 1024;
        }
        acceptWord("MB");
        return 1024;
    }

    // Character types keep their declared length (MAX counts as kMaxNVarCharLength); VARCHAR and
    // CHAR are held as their Unicode counterparts.
    TableColumn dataType(std::u16string columnName) {
        TableColumn column{std::move(columnName), ColumnType::NVarChar, 0, true};
        if (!peekKind(Token::Kind::Word) && !peekKind(Token::Kind::Quoted)) {
            syntaxError();
        }
        const std::u16string type = advance().text;
        auto is = [&](std::string_view name) { return text::equalsKeyword(type, name); };
        if (is("INT") || is("INTEGER")) {
            column.type = ColumnType::Int;
        } else if (is("BIGINT")) {
            column.type = ColumnType::BigInt;
        } else if (is("SMALLINT") || is("TINYINT")) {
            column.type = ColumnType::SmallInt;
        } else if (is("SYSNAME")) {
            column.length = 128;
            column.nullable = false;
        } else if (is("NVARCHAR") || is("VARCHAR") || is("NCHAR") || is("CHAR")) {
            column.type = (is("NCHAR") || is("CHAR")) ? ColumnType::NChar : ColumnType::NVarChar;
            column.length = 1;
            if (acceptSymbol(u"(")) {
                if (acceptWord("MAX")) {
                    column.length = kMaxNVarCharLength;
                } else {
                    const std::int64_t length = integerLiteral();
                    if (length < 1 || length > kMaxNVarCharLength) {
                        throw SqlError(messages::columnSizeTooLarge(length, column.name));
                    }
                    column.length = static_cast<int>(length);
                }
                expectSymbol(u")");
            }
        } else {
            unmodelled();
        }
        return column;
    }

    Insert insert() {
        acceptWord("INTO");
        Insert insert{objectName(), {}, {}};
        if (acceptSymbol(u"(")) {
            do {
                insert.columns.push_back(name());
            } while (acceptSymbol(u","));
            expectSymbol(u")");
        }
        if (!acceptWord("VALUES")) {
            unmodelled();
        }
        do {
            expectSymbol(u"(");
            std::vector<Expr> row;
            do {
                row.push_back(acceptWord("DEFAULT") ? Expr{} : expression());
            } while (acceptSymbol(u","));
            expectSymbol(u")");
            insert.rows.push_back(std::move(row));
        } while (acceptSymbol(u","));
        return insert;
    }

    Statement declare() {
        if (peekKind(Token::Kind::Variable)) {
            DeclareVariables declare;
            do {
                if (!peekKind(Token::Kind::Variable)) {
                    syntaxError();
                }
                VariableDeclaration variable;
                variable.name = advance().text;
                acceptWord("AS");
                if (peekWord("TABLE") || peekWord("CURSOR")) {
                    unmodelled();
                }
                variable.type = dataType(variable.name);
                variable.type.nullable = true;
                if (acceptSymbol(u"=")) {
                    variable.initial = expression();
                }
                declare.variables.push_back(std::move(variable));
            } while (acceptSymbol(u","));
            return {std::move(declare)};
        }
        DeclareCursor cursor;
        cursor.name = name();
        if (peekWord("INSENSITIVE") || peekWord("SCROLL")) {
            unmodelled();
        }
        expectWord("CURSOR");
        static constexpr std::array<std::string_view, 8> kOptions = {
            "LOCAL",  "GLOBAL",       "FORWARD_ONLY", "STATIC",
            "KEYSET", "FAST_FORWARD", "READ_ONLY",    "TYPE_WARNING"};
        bool option = true;
        while (option) {
            option = false;
            for (const auto name : kOptions) {
                option = option || acceptWord(name);
            }
        }
        expectWord("FOR");
        cursor.query = select();
        if (acceptWord("FOR")) {
            expectWord("READ");
            expectWord("ONLY");
        }
        return {std::move(cursor)};
    }

    std::u16string cursorName() {
        if (peekWord("GLOBAL") && peekName(1)) {
            unmodelled();
        }
        return name();
    }

    FetchCursor fetch() {
        if (peekWord("FIRST") || peekWord("LAST") || peekWord("PRIOR") || peekWord("ABSOLUTE") ||
            peekWord("RELATIVE")) {
            unmodelled();
        }
        const bool next = acceptWord("NEXT");
        if (!acceptWord("FROM") && next) {
            syntaxError();
        }
        FetchCursor fetch{cursorName(), {}};
        if (acceptWord("INTO")) {
            do {
                if (!peekKind(Token::Kind::Variable)) {
                    syntaxError();
                }
                fetch.into.push_back(advance().text);
            } while (acceptSymbol(u","));
        }
        return fetch;
    }

    // --- expressions --------------------------------------------------------------------

    static bool isPredicate(const Expr& e) {
        switch (e.kind) {
            case Expr::Kind::Compare:
            case Expr::Kind::In:
            case Expr::Kind::IsNull:
            case Expr::Kind::And:
            case Expr::Kind::Or:
            case Expr::Kind::Not:
                return true;
            default:
                return false;
        }
    }

    Expr condition() {
        Expr e = orExpr();
        if (!isPredicate(e)) {
            throw SqlError(messages::nonBooleanCondition(atEnd() ? t_.back().text : peek()->text));
        }
        return e;
    }

    Expr expression() { return orExpr(); }

    static Expr node(Expr::Kind kind, std::vector<Expr> children, std::u16string op = {}) {
        Expr e;
        e.kind = kind;
        e.text = std::move(op);
        e.children = std::move(children);
        return e;
    }

    Expr orExpr() {
        Expr e = andExpr();
        while (acceptWord("OR")) {
            e = node(Expr::Kind::Or, {std::move(e), andExpr()});
        }
        return e;
    }

    Expr andExpr() {
        Expr e = notExpr();
        while (acceptWord("AND")) {
            e = node(Expr::Kind::And, {std::move(e), notExpr()});
        }
        return e;
    }

    Expr notExpr() {
        Nesting nesting(*this);
        if (acceptWord("NOT")) {
            return node(Expr::Kind::Not, {notExpr()});
        }
        return predicate();
    }

    Expr predicate() {
        Expr e = additive();
        static constexpr std::array<std::u16string_view, 9> kComparisons = {
            u"=", u"<>", u"!=", u"<", u">", u"<=", u">=", u"!<", u"!>"};
        for (const auto op : kComparisons) {
            if (acceptSymbol(op)) {
                return node(Expr::Kind::Compare, {std::move(e), additive()}, std::u16string(op));
            }
        }
        bool negated = false;
        if (peekWord("NOT") &&
            (peekWord("IN", 1) || peekWord("LIKE", 1) || peekWord("BETWEEN", 1))) {
            ++pos_;
            negated = true;
        }
        if (acceptWord("IN")) {
            expectSymbol(u"(");
            if (peekWord("SELECT")) {
                unmodelled();
            }
            std::vector<Expr> children{std::move(e)};
            do {
                children.push_back(expression());
            } while (acceptSymbol(u","));
            expectSymbol(u")");
            Expr in = node(Expr::Kind::In, std::move(children));
            in.negated = negated;
            return in;
        }
        if (peekWord("LIKE") || peekWord("BETWEEN")) {
            unmodelled();
        }
        if (acceptWord("IS")) {
            Expr isNull = node(Expr::Kind::IsNull, {std::move(e)});
            isNull.negated = acceptWord("NOT");
            expectWord("NULL");
            return isNull;
        }
        return e;
    }

    Expr additive() {
        Expr e = multiplicative();
        while (peekSymbol(u"+") || peekSymbol(u"-")) {
            std::u16string op = advance().text;
            e = node(Expr::Kind::Binary, {std::move(e), multiplicative()}, std::move(op));
        }
        return e;
    }

    Expr multiplicative() {
        Expr e = unary();
        while (peekSymbol(u"*") || peekSymbol(u"/") || peekSymbol(u"%")) {
            std::u16string op = advance().text;
            e = node(Expr::Kind::Binary, {std::move(e), unary()}, std::move(op));
        }
        return e;
    }

    Expr unary() {
        Nesting nesting(*this);
        if (acceptSymbol(u"-")) {
            return node(Expr::Kind::Unary, {unary()}, u"-");
        }
        if (acceptSymbol(u"+")) {
            return unary();
        }
        return primary();
    }

    Expr primary() {
        Nesting nesting(*this);
        if (atEnd()) {
            syntaxError();
        }
        const Token& token = *peek();
        switch (token.kind) {
            case Token::Kind::String:
                ++pos_;
                return Expr::make(Expr::Kind::String, token.text);
            case Token::Kind::Number: {
                if (token.text.find(u'.') != std::u16string::npos) {
                    ++pos_;
                    return Expr::make(Expr::Kind::String, token.text);  // decimals stay as written
                }
                return Expr::number(integerLiteral());
            }
            case Token::Kind::Variable:
                ++pos_;
                return Expr::make(Expr::Kind::Variable, token.text);
            case Token::Kind::Symbol:
                if (acceptSymbol(u"(")) {
                    if (peekWord("SELECT")) {
                        unmodelled();
                    }
                    Expr e = orExpr();
                    expectSymbol(u")");
                    return e;
                }
                syntaxError();
            case Token::Kind::Word:
                if (acceptWord("NULL")) {
                    return Expr{};
                }
                if (peekWord("CONVERT") && peekSymbol(u"(", 1)) {
                    return convert();
                }
                if (isReservedKeyword(token.text)) {
                    static constexpr std::array<std::string_view, 13> kFunctions = {
                        "CASE",        "EXISTS",      "CONVERT",           "COALESCE",
                        "NULLIF",      "TRY_CONVERT", "CURRENT_USER",      "SESSION_USER",
                        "SYSTEM_USER", "USER",        "CURRENT_TIMESTAMP", "LEFT",
                        "RIGHT"};
                    for (const auto function : kFunctions) {
                        if (text::equalsKeyword(token.text, function)) {
                            unmodelled();
                        }
                    }
                    syntaxError();
                }
                [[fallthrough]];
            case Token::Kind::Quoted:
                break;
        }
        if (peekSymbol(u"(", 1)) {
            Expr call = Expr::make(Expr::Kind::Function, advance().text);
            ++pos_;
            if (!acceptSymbol(u")")) {
                do {
                    call.children.push_back(
                        acceptSymbol(u"*") ? Expr::make(Expr::Kind::String, u"*") : expression());
                } while (acceptSymbol(u","));
                expectSymbol(u")");
            }
            return call;
        }
        Expr column = Expr::make(Expr::Kind::Column);
        column.parts = objectName().parts;
        return column;
    }

    // CONVERT(type[(length)], value[, style]): children are the type's name, its length
    // (-1 when not given), the value and the style.
    Expr convert() {
        Expr call = Expr::make(Expr::Kind::Function, advance().text);
        expectSymbol(u"(");
        call.children.push_back(Expr::make(Expr::Kind::String, name()));
        std::int64_t length = -1;
        if (acceptSymbol(u"(")) {
            length = acceptWord("MAX") ? kMaxNVarCharLength : integerLiteral();
            expectSymbol(u")");
        }
        call.children.push_back(Expr::number(length));
        expectSymbol(u",");
        call.children.push_back(expression());
        if (acceptSymbol(u",")) {
            call.children.push_back(expression());
        }
        expectSymbol(u")");
        return call;
    }

    const std::vector<Token>& t_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    std::vector<std::size_t> starts_;
};

}  // namespace

std::vector<Statement> parseBatch(const std::vector<Token>& tokens) {
    return Parser(tokens).batch();
}

}  // namespace devserver
