#include "ResponsiveConnection.h"

#include "CallRunner.h"
#include "operations/HelperConnection.h"

ResponsiveConnection::ResponsiveConnection(std::unique_ptr<Connection> inner, CallRunner& runner,
                                           HelperConnection& helper)
    : inner_(std::move(inner)), runner_(runner), helper_(helper) {}

void ResponsiveConnection::open(const QString& connectionString) {
    runner_.run([&] {
        inner_->open(connectionString);
        if (inner_->state() == Open) {
            helper_.remember(connectionString);
        }
    });
}

int ResponsiveConnection::state() const {
    return inner_->state();
}

void ResponsiveConnection::close() {
    runner_.run([&] {
        helper_.forget();
        inner_->close();
    });
}

void ResponsiveConnection::execute(const QString& sql) {
    runner_.run([&] { inner_->execute(sql); });
}

ResultSet ResponsiveConnection::query(const QString& sql) {
    return runner_.run([&] { return inner_->query(sql); });
}
