#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devserver/engine/Instance.h"
#include "support/CatalogueQuery.h"

// An instance on a fresh data folder, with helpers to run T-SQL as a logged-in session and
// read the reply.
class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts (or restarts) the instance on the same data folder.
    void restart();
    int login(const std::u16string& database = u"");
    devserver::Reply run(int spid, const std::u16string& sql);
    // Runs and expects no error message in the reply.
    devserver::Reply ok(int spid, const std::u16string& sql);
    // The numbers of the error messages (class > 10) of a reply, in order.
    static std::vector<int> errors(const devserver::Reply& reply);
    static std::vector<int> infos(const devserver::Reply& reply);
    static std::u16string errorText(const devserver::Reply& reply);
    static const devserver::RowSet& rows(const devserver::Reply& reply, std::size_t which = 0);
    // The rows of the first row set, each value as text ("NULL" for null).
    static std::vector<std::vector<std::u16string>> table(const devserver::Reply& reply);
    std::vector<std::u16string> databaseNames(int spid);
    bool lastIsDone(const devserver::Reply& reply) const;

    std::filesystem::path path(const std::string& name) const { return dir_ / name; }
    std::u16string u16path(const std::string& name) const;
    static std::u16string u16(const std::string& utf8);

    double ioBytesPerSecond_ = 0;  // set before SetUp() for a time model
    std::filesystem::path dir_;
    // What restart() starts the instance as: a Linux host of the newest release by default.
    devserver::Platform platform_;
    std::optional<devserver::Instance::RestrictedLogin> restrictedLogin_;
    std::unique_ptr<devserver::Instance> instance_;
    std::vector<int> terminated_;
};

inline constexpr const char16_t* kCatalogueQuery = tdstest::kCatalogueQuery16;

// The session-eviction batch as the tool sends it, with the name already a T-SQL literal.
std::u16string evictionBatch(const std::u16string& nameLiteral);
