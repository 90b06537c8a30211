#include "ResponsiveConnection.h"

#include "common/OperatorTexts.h"

ResponsiveConnection::ResponsiveConnection(Factory factory, CallRunner& runner,
                                           const std::optional<CallPurpose>& purpose)
    : factory_(std::move(factory)), runner_(runner), purpose_(purpose), inner_(factory_()) {}

void ResponsiveConnection::open(const QString& connectionString) {
    // A login cannot be interrupted: a cancel lets it go, and a login that completes after
    // all is closed without a statement.
    CallRunner::Cancel cancel{
        cancelQuestion(CallPurpose::connect()), {}, [inner = inner_] { inner->close(); }};
    try {
        runner_.run([inner = inner_, connectionString] { inner->open(connectionString); },
                    std::move(cancel));
    } catch (const CallCancelled&) {
        giveUp();
        throw CallCancelled(CallCancelled::Ending::Abandoned, texts::kConnectCancelled,
                            CallPurpose::connect());
    }
}

int ResponsiveConnection::state() const {
    return inner_->state();
}

void ResponsiveConnection::close() {
    runner_.run([inner = inner_] { inner->close(); });
}

void ResponsiveConnection::execute(const QString& sql) {
    runStatement([sql](Connection& inner) { inner.execute(sql); });
}

ResultSet ResponsiveConnection::query(const QString& sql) {
    return runStatement([sql](Connection& inner) { return inner.query(sql); });
}

template <typename Call>
auto ResponsiveConnection::runStatement(Call call) -> decltype(call(std::declval<Connection&>())) {
    const std::optional<CallPurpose> purpose = purpose_;
    CallRunner::Cancel cancel{cancelQuestion(purpose), [inner = inner_] { inner->cancel(); },
                              [inner = inner_] { inner->close(); }};
    try {
        return runner_.run([inner = inner_, call = std::move(call)] { return call(*inner); },
                           std::move(cancel));
    } catch (const CallCancelled& cancelled) {
        if (cancelled.ending() != CallCancelled::Ending::Stopped) {
            giveUp();
            throw CallCancelled(cancelled.ending(), texts::kCancelUnacknowledged, purpose);
        }
        throw CallCancelled(cancelled.ending(), texts::kStatementCancelled, purpose);
    }
}

void ResponsiveConnection::giveUp() {
    inner_ = std::shared_ptr<Connection>(factory_());
}
