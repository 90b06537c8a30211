#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "devserver/engine/Reply.h"
#include "devserver/engine/State.h"
#include "devserver/engine/Syntax.h"

namespace devserver {

struct Variable {
    TableColumn type;
    Value value;
};

struct Cursor {
    syntax::Select query;
    bool open = false;
    RowSet rows;
    std::size_t next = 0;
};

// Variables and cursors live for one batch; dynamic SQL run by EXEC gets its own.
struct Scope {
    std::map<std::u16string, Variable> variables;  // by upper-cased name
    std::map<std::u16string, Cursor> cursors;
};

// Work on files that takes its time under the I/O rate.
struct LongWork {
    std::u16string command;  // as sys.dm_exec_requests names it
    int databaseId = 0;
    std::int64_t bytes = 0;
    // What the session is told when the work is abandoned (KILL, or its client gone).
    std::vector<Message> abandoned;
};

// Lets a statement's long work go in pieces, between which the instance serves the other
// sessions. Whatever the statement read of the state before may have changed afterwards.
class Pacer {
  public:
    virtual ~Pacer() = default;
    // Returns once the work's time has passed, telling whether the instance was released
    // meanwhile; throws SqlError when the work was abandoned.
    virtual bool work(int spid, const LongWork& work) = 0;
    // Whether the client has cancelled the batch or gone away.
    virtual bool stopWanted() = 0;
};

// Shared by a batch and the dynamic SQL it runs.
struct BatchRun {
    State& state;
    int spid;
    Reply& reply;
    std::vector<int>& killed;  // sessions ended; their connections are closed afterwards
    std::int64_t fetchStatus = -1;
    int statementsRun = 0;
    Pacer* pacer = nullptr;  // none: every statement is instant
};

struct Context {
    BatchRun& run;
    Scope& scope;
    int depth = 0;

    State& state() const { return run.state; }
    int spid() const { return run.spid; }
    Session& session() const;
    Database& currentDatabase() const;
    void add(ReplyItem item) const { run.reply.push_back(std::move(item)); }
    // True when the other sessions may have changed the state meanwhile.
    bool takeTime(const LongWork& work) const {
        return run.pacer != nullptr && run.pacer->work(run.spid, work);
    }
};

// Runs statements in order; a refused statement throws SqlError and ends the batch.
void runStatements(const std::vector<syntax::Statement>& statements, const Context& context);
// Tokenises, parses and runs a batch of T-SQL text (also for EXEC of dynamic SQL).
void runText(const std::u16string& sql, const Context& context);

}  // namespace devserver
