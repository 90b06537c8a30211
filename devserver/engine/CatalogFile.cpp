#include "devserver/engine/CatalogFile.h"

#include "devserver/engine/ContentRecords.h"

namespace devserver::catalog_file {

namespace {

constexpr std::string_view kMagic = "DEVSERVER CATALOG 1";
// Optional records after a database's own, each present only when not the default, so
// that catalogues written before they existed still load.
constexpr std::string_view kCollationRecord = "collation";
constexpr std::string_view kSingleUserRecord = "single_user";

}  // namespace

std::string encode(const std::map<int, Database>& databases) {
    records::Writer writer(kMagic);
    for (const auto& [id, database] : databases) {
        writer.add({"database", std::to_string(id), records::fieldOf(database.name), database.guid,
                    database.recovery == Recovery::Simple ? "SIMPLE" : "FULL",
                    database.logChainStarted ? "1" : "0", database.seeded ? "1" : "0",
                    database.restoring ? "RESTORING" : "ONLINE"});
        if (!database.collation.empty()) {
            writer.add({std::string(kCollationRecord), records::fieldOf(database.collation)});
        }
        if (database.access == UserAccess::Single) {
            writer.add({std::string(kSingleUserRecord)});
        }
        records::writeMembers(writer, database.files);
    }
    return writer.finish();
}

std::map<int, Database> decode(std::string_view bytes) {
    records::Reader reader(bytes, kMagic);
    std::map<int, Database> databases;
    while (!reader.atEnd()) {
        // Catalogues written before the state was kept have one field fewer.
        const auto& r = reader.take();
        if (r.front() != "database" || (r.size() != 7 && r.size() != 8)) {
            throw records::FormatError("unexpected record");
        }
        Database database;
        database.id = records::toInt(r[1], 1, 32767);
        database.name = records::textOf(r[2], 128);
        database.guid = r[3];
        database.recovery = r[4] == "SIMPLE" ? Recovery::Simple : Recovery::Full;
        database.logChainStarted = r[5] == "1";
        database.seeded = r[6] == "1";
        database.restoring = r.size() == 8 && r[7] == "RESTORING";
        if (reader.nextIs(kCollationRecord)) {
            database.collation = records::textOf(reader.take(kCollationRecord, 1)[1], 128);
        }
        if (reader.nextIs(kSingleUserRecord)) {
            reader.take(kSingleUserRecord, 0);
            database.access = UserAccess::Single;
        }
        database.files = records::readMembers(reader);
        if (!databases.emplace(database.id, std::move(database)).second) {
            throw records::FormatError("duplicate database id");
        }
    }
    return databases;
}

}  // namespace devserver::catalog_file
