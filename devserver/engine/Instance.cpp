#include "devserver/engine/Instance.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <set>

#include "devserver/engine/Execution.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Procedures.h"
#include "devserver/engine/SessionRules.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/State.h"
#include "devserver/engine/Text.h"

namespace devserver {

namespace {

// How often a long request looks up from its work: for a KILL, its client going away, and
// to let the other sessions in.
constexpr auto kPiece = std::chrono::milliseconds(50);

}  // namespace

struct Instance::Impl {
    explicit Impl(Options options)
        : state(options.dataDir, std::move(options.platform)),
          saPassword(std::move(options.saPassword)),
          windowsLogins(std::move(options.windowsLogins)),
          restrictedLogin(std::move(options.restrictedLogin)),
          ioBytesPerSecond(options.ioBytesPerSecond) {}

    struct KnownLogin {
        std::u16string name;  // as the instance spells it
        bool restricted = false;
    };

    // The login a request names; nullopt when it names none or the password does not match.
    // An integrated request names a Windows login the protocol layer has authenticated.
    std::optional<KnownLogin> knownLogin(const LoginRequest& request) const {
        if (request.integratedSecurity) {
            for (const std::u16string& login : windowsLogins) {
                if (text::sameName(login, request.user)) {
                    return KnownLogin{login, false};
                }
            }
            return std::nullopt;
        }
        if (text::sameName(request.user, u"sa") && request.password == saPassword) {
            return KnownLogin{u"sa", false};
        }
        if (restrictedLogin && text::sameName(request.user, restrictedLogin->name) &&
            request.password == restrictedLogin->password) {
            return KnownLogin{restrictedLogin->name, true};
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
    std::vector<std::u16string> windowsLogins;
    std::optional<RestrictedLogin> restrictedLogin;
    SessionTerminator terminator;
    // Killed sessions whose connections have not logged out yet. Their numbers stay taken
    // until then, so that the late logout of a killed connection cannot end a new session
    // that was given the same number.
    std::set<int> dying;
    double ioBytesPerSecond = 0;
    // Sessions whose long request is between two pieces of work, with `mutex` released.
    // A KILL wakes them, and leaves closing their connections to them.
    std::set<int> pacing;
    std::condition_variable wake;
};

namespace {

// A batch's long work: the instance lock is released between the pieces.
class BatchPacer : public Pacer {
  public:
    BatchPacer(State& state, std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
               std::set<int>& pacing, double bytesPerSecond, const Instance::ClientGone& clientGone)
        : state_(state),
          lock_(lock),
          wake_(wake),
          pacing_(pacing),
          bytesPerSecond_(bytesPerSecond),
          clientGone_(clientGone) {}

    bool work(int spid, const LongWork& work) override {
        if (bytesPerSecond_ <= 0 || work.bytes <= 0) {
            return false;
        }
        const auto found = state_.sessions().find(spid);
        if (found == state_.sessions().end()) {
            throw SqlError(messages::sessionKilled());
        }
        using Clock = LongRequest::Clock;
        const auto length = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(static_cast<double>(work.bytes) / bytesPerSecond_));
        const auto start = Clock::now();
        found->second.request = LongRequest{work.command, work.databaseId, start, length};
        pacing_.insert(spid);
        const Finally done([&] {
            pacing_.erase(spid);
            if (const auto session = state_.sessions().find(spid);
                session != state_.sessions().end()) {
                session->second.request.reset();
            }
        });
        while (Clock::now() < start + length) {
            wake_.wait_until(lock_, std::min(start + length, Clock::now() + kPiece));
            if (!state_.sessions().contains(spid)) {
                std::vector<Message> told = work.abandoned;
                told.push_back(messages::sessionKilled());
                told.push_back(messages::severeError());
                throw SqlError(std::move(told));
            }
            if (clientGone_ && clientGone_()) {
                throw SqlError(work.abandoned);
            }
        }
        return true;
    }

    bool stopWanted() override { return clientGone_ && clientGone_(); }

  private:
    template <typename F>
    struct Finally {
        explicit Finally(F f) : f_(std::move(f)) {}
        ~Finally() { f_(); }
        Finally(const Finally&) = delete;
        Finally& operator=(const Finally&) = delete;
        F f_;
    };

    State& state_;
    std::unique_lock<std::mutex>& lock_;
    std::condition_variable& wake_;
    std::set<int>& pacing_;
    double bytesPerSecond_;
    const Instance::ClientGone& clientGone_;
};

}  // namespace

Instance::Instance(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Instance::~Instance() = default;

void Instance::setSessionTerminator(SessionTerminator terminator) {
    const std::lock_guard lock(impl_->mutex);
    impl_->terminator = std::move(terminator);
}

LoginResult Instance::login(const LoginRequest& request) {
    const std::lock_guard lock(impl_->mutex);
    LoginResult result;
    const auto login = impl_->knownLogin(request);
    if (!login) {
        result.error = messages::loginFailed(request.user);
        return result;
    }
    State& state = impl_->state;
    const Database* db = request.database.empty() ? state.byId(1) : state.find(request.database);
    if (!db) {
        result.error = messages::cannotOpenLoginDatabase(request.database);
        return result;
    }
    if (auto refusal = rules::entryRefusal(state, *db, 0)) {
        result.error = std::move(*refusal);
        return result;
    }
    const int spid = impl_->freeSpid();
    if (spid > State::kMaxSpid) {
        result.error = messages::tooManyConnections();
        return result;
    }
    Session& session = state.sessions()[spid];
    session = Session{spid, db->id};
    session.loginName = login->name;
    session.restricted = login->restricted;
    session.hostName = request.hostName;
    session.programName = request.programName;
    session.hostProcessId = request.hostProcessId;
    result.accepted = true;
    result.spid = spid;
    result.login = login->name;
    result.database = db->name;
    return result;
}

Reply Instance::executeBatch(int spid, const std::u16string& sql, const ClientGone& clientGone) {
    return run(spid, clientGone, [&](const Context& context) { runText(sql, context); });
}

ProcedureReply Instance::callProcedure(int spid, const ProcedureCall& call,
                                       const ClientGone& clientGone) {
    if (!procedures::exists(call.name)) {
        return ProcedureReply{{messages::procedureNotFound(call.name)}, std::nullopt};
    }
    bool failed = false;
    Reply reply = run(spid, clientGone, [&](const Context& context) {
        try {
            procedures::call(call, context);
        } catch (const SqlError&) {
            failed = true;
            throw;
        }
    });
    // Like the system procedures, a failed call returns a non-zero status.
    return ProcedureReply{std::move(reply), failed ? 1 : 0};
}

Reply Instance::run(int spid, const ClientGone& clientGone,
                    const std::function<void(const Context&)>& work) {
    Reply reply;
    std::vector<int> killed;
    SessionTerminator terminator;
    {
        std::unique_lock lock(impl_->mutex);
        BatchPacer pacer(impl_->state, lock, impl_->wake, impl_->pacing, impl_->ioBytesPerSecond,
                         clientGone);
        BatchRun run{impl_->state, spid, reply, killed};
        run.pacer = &pacer;
        Scope scope;
        try {
            if (!impl_->state.sessions().count(spid)) {
                throw SqlError(messages::sessionKilled());
            }
            work(Context{run, scope, 0});
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
        // A victim in the middle of long work tells its client why before it hangs up.
        std::erase_if(killed, [this](int victim) { return impl_->pacing.contains(victim); });
    }
    impl_->wake.notify_all();
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

bool Instance::sessionEnded(int spid) {
    const std::lock_guard lock(impl_->mutex);
    return impl_->dying.contains(spid);
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
