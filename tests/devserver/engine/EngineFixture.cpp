#include "EngineFixture.h"

#include <random>

#include "devserver/engine/Evaluator.h"
#include "devserver/engine/Text.h"

using namespace devserver;

void EngineTest::SetUp() {
    std::random_device random;
    dir_ = std::filesystem::temp_directory_path() /
           ("engine-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(dir_);
    restart();
}

void EngineTest::TearDown() {
    instance_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void EngineTest::restart() {
    instance_.reset();
    instance_ = std::make_unique<Instance>(Instance::Options{
        dir_ / "data", u"", ioBytesPerSecond_, platform_, restrictedLogin_});
    instance_->setSessionTerminator([this](int spid) { terminated_.push_back(spid); });
}

int EngineTest::login(const std::u16string& database) {
    const LoginResult result = instance_->login({u"sa", u"", database, false});
    EXPECT_TRUE(result.accepted) << text::toUtf8(result.error.text);
    return result.spid;
}

Reply EngineTest::run(int spid, const std::u16string& sql) {
    return instance_->executeBatch(spid, sql);
}

Reply EngineTest::ok(int spid, const std::u16string& sql) {
    Reply reply = run(spid, sql);
    EXPECT_TRUE(errors(reply).empty())
        << text::toUtf8(sql) << "\n -> " << text::toUtf8(errorText(reply));
    EXPECT_TRUE(lastIsDone(reply));
    return reply;
}

std::vector<int> EngineTest::errors(const Reply& reply) {
    std::vector<int> numbers;
    for (const auto& item : reply) {
        if (const auto* m = std::get_if<Message>(&item); m && m->severity > 10) {
            numbers.push_back(m->number);
        }
    }
    return numbers;
}

std::vector<int> EngineTest::infos(const Reply& reply) {
    std::vector<int> numbers;
    for (const auto& item : reply) {
        if (const auto* m = std::get_if<Message>(&item); m && m->severity <= 10) {
            numbers.push_back(m->number);
        }
    }
    return numbers;
}

std::u16string EngineTest::errorText(const Reply& reply) {
    std::u16string all;
    for (const auto& item : reply) {
        if (const auto* m = std::get_if<Message>(&item)) {
            all += text::number(m->number) + u": " + m->text + u"\n";
        }
    }
    return all;
}

const RowSet& EngineTest::rows(const Reply& reply, std::size_t which) {
    for (const auto& item : reply) {
        if (const auto* r = std::get_if<RowSet>(&item)) {
            if (which-- == 0) {
                return *r;
            }
        }
    }
    static const RowSet none;
    ADD_FAILURE() << "no row set";
    return none;
}

std::vector<std::vector<std::u16string>> EngineTest::table(const Reply& reply) {
    std::vector<std::vector<std::u16string>> out;
    for (const auto& row : rows(reply).rows) {
        std::vector<std::u16string> texts;
        for (const Value& v : row) {
            texts.push_back(v ? values::toText(v) : u"NULL");
        }
        out.push_back(std::move(texts));
    }
    return out;
}

std::vector<std::u16string> EngineTest::databaseNames(int spid) {
    std::vector<std::u16string> names;
    for (const auto& row : table(ok(spid, kCatalogueQuery))) {
        names.push_back(row[0]);
    }
    return names;
}

bool EngineTest::lastIsDone(const Reply& reply) const {
    return !reply.empty() && std::holds_alternative<Done>(reply.back());
}

std::u16string EngineTest::u16path(const std::string& name) const {
    return text::fromUtf8(path(name).string());
}

std::u16string EngineTest::u16(const std::string& utf8) {
    return text::fromUtf8(utf8);
}

std::u16string evictionBatch(const std::u16string& nameLiteral) {
    return u"declare @spid nvarchar(20) \r\n"
           u"declare cur_lock cursor for select distinct spid from sysprocesses where dbid = "
           u"db_id(" +
           nameLiteral +
           u") \r\n"
           u"open cur_lock \r\n"
           u"fetch cur_lock into @spid \r\n"
           u"while @@fetch_status=0 \r\n"
           u" begin\r\n"
           u" exec( 'kill '+@spid) \r\n"
           u"fetch Next From cur_lock into @spid \r\n"
           u"end \r\n"
           u"close cur_lock \r\n"
           u"deallocate cur_lock ";
}
