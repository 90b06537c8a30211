#include "devserver/engine/Instance.h"

#include <cstdio>
#include <mutex>
#include <set>

#include "devserver/engine/Execution.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/State.h"
#include "devserver/engine/Text.h"

namespace devserver {

struct Instance::Impl {
    explicit Impl(Options options)
        : state(options.dataDir, std::move(options.platform)),
          saPassword(std::move(options.saPassword)),
          restrictedLogin(std::move(options.restrictedLogin)) {}

    // Whether the login is the restricted one; nullopt when the name or password is wrong.
    std::optional<bool> restricted(const LoginRequest& request) const {
        if (text::sameName(request.user, u"sa") && request.password == saPassword) {
            return false;
        }
        if (restrictedLogin && text::sameName(request.user, restrictedLogin->name) &&
            request.password == restrictedLogin->password) {
            return true;
        }
        return std::nullopt;
    }

    int freeSpid() const {
        int spid = State::kFirstUserSpid;
        while (state.sessions().count(spid) != 0 || dying.count(spid) != 0) {
            ++spid;
        }
        return spid;
    }

    std::mutex mutex;
    // `state` is only touched with `mutex` held.
    mutable State state;
    std::u16string saPassword;
    std::optional<RestrictedLogin> restrictedLogin;
    SessionTerminator terminator;
    // Killed sessions whose connections have not logged out yet. Their numbers stay taken
    // until then, so that the late logout of a killed connection cannot end a new session
    // that was given the same number.
    std::set<int> dying;
};

Instance::Instance(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Instance::~Instance() = default;

void Instance::setSessionTerminator(SessionTerminator terminator) {
    const std::lock_guard lock(impl_->mutex);
    impl_->terminator = std::move(terminator);
}

LoginResult Instance::login(const LoginRequest& request) {
    const std::lock_guard lock(impl_->mutex);
    LoginResult result;
    if (request.integratedSecurity) {
        result.error = messages::untrustedDomain();
        return result;
    }
    const std::optional<bool> restricted = impl_->restricted(request);
    if (!restricted) {
        result.error = messages::loginFailed(request.user);
        return result;
    }
    State& state = impl_->state;
    const Database* db = request.database.empty() ? state.byId(1) : state.find(request.database);
    if (!db) {
        result.error = messages::cannotOpenLoginDatabase(request.database);
        return result;
    }
    const int spid = impl_->freeSpid();
    if (spid > State::kMaxSpid) {
        result.error = messages::tooManyConnections();
        return result;
    }
    state.sessions()[spid] = Session{spid, db->id, *restricted};
    result.accepted = true;
    result.spid = spid;
    result.database = db->name;
    return result;
}

Reply Instance::executeBatch(int spid, const std::u16string& sql) {
    Reply reply;
    std::vector<int> killed;
    SessionTerminator terminator;
    {
        const std::lock_guard lock(impl_->mutex);
        BatchRun run{impl_->state, spid, reply, killed};
        Scope scope;
        try {
            if (!impl_->state.sessions().count(spid)) {
                throw SqlError(messages::sessionKilled());
            }
            runText(sql, Context{run, scope, 0});
        } catch (const SqlError& error) {
            for (const Message& message : error.messages()) {
                reply.push_back(message);
            }
            reply.push_back(Done{true, std::nullopt, 0});
        } catch (const std::exception& error) {
            // A fault of the model must not take the server down with it.
            reply.push_back(messages::batchFailed(text::fromUtf8(error.what())));
            reply.push_back(Done{true, std::nullopt, 0});
        }
        terminator = impl_->terminator;
        impl_->dying.insert(killed.begin(), killed.end());
    }
    if (reply.empty() || !std::holds_alternative<Done>(reply.back())) {
        reply.push_back(Done{});
    }
    if (terminator) {
        for (const int victim : killed) {
            terminator(victim);
        }
    }
    return reply;
}

void Instance::logout(int spid) {
    const std::lock_guard lock(impl_->mutex);
    if (impl_->dying.erase(spid) == 0) {
        impl_->state.sessions().erase(spid);
    }
}

void Instance::seedDatabases(int count) {
    const std::lock_guard lock(impl_->mutex);
    State& state = impl_->state;
    int id = State::kFirstUserDatabaseId;
    int serial = 0;
    int existing = static_cast<int>(state.userDatabaseCount());
    bool added = false;
    for (; existing < count; ++existing) {
        try {
            id = state.freeId(id);
        } catch (const SqlError&) {
            break;  // every database id is taken
        }
        std::u16string name;
        do {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "Seed%05d", ++serial);
            name = text::fromAscii(buffer);
        } while (state.find(name));
        Database db;
        db.name = name;
        db.id = id;
        db.guid = state.newGuid();
        db.seeded = true;
        db.files = {{1, FileKind::Data, name, state.dataDir() / (text::toUtf8(name) + ".mdf")},
                    {2, FileKind::Log, name + u"_log",
                     state.dataDir() / (text::toUtf8(name) + "_log.ldf")}};
        state.insert(std::move(db));
        added = true;
    }
    if (added) {
        state.saveCatalog();
    }
}

}  // namespace devserver
