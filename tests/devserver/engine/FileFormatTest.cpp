#include <gtest/gtest.h>

#include "devserver/engine/BackupMedia.h"
#include "devserver/engine/CatalogFile.h"
#include "devserver/engine/DatabaseFiles.h"
#include "devserver/engine/Records.h"

using namespace devserver;

namespace {

Database sample() {
    Database db;
    db.name = u"销售\t库\n";
    db.id = 7;
    db.guid = "G-1";
    db.recovery = Recovery::Simple;
    db.logChainStarted = true;
    db.files = {{1, FileKind::Data, u"d\\1", "/x/a.mdf"}, {2, FileKind::Log, u"l", "/x/a.ldf"}};
    Table table{
        u"t",
        {Column{u"a", ColumnType::NVarChar, 5, true}, Column{u"n", ColumnType::Int, 0, false}},
        {}};
    table.rows.push_back({std::u16string(u"x\\N"), std::int64_t{-3}});
    table.rows.push_back({std::nullopt, std::int64_t{4}});
    db.content = Content{{table}};
    return db;
}

}  // namespace

TEST(FileFormats, DataFileKeepsIdentityMembersAndContent) {
    const Database db = sample();
    const auto image = database_files::decode(database_files::encode(db, db.files[0], *db.content));
    EXPECT_EQ(image.database, db.name);
    EXPECT_EQ(image.guid, "G-1");
    EXPECT_EQ(image.self.logicalName, u"d\\1");
    ASSERT_EQ(image.members.size(), 2u);
    EXPECT_EQ(image.members[1].path, "/x/a.ldf");
    ASSERT_TRUE(image.content);
    EXPECT_EQ(image.content->tables[0].rows, db.content->tables[0].rows);
    const auto log = database_files::decode(database_files::encode(db, db.files[1], *db.content));
    EXPECT_EQ(log.self.kind, FileKind::Log);
    EXPECT_TRUE(log.members.empty());
    EXPECT_FALSE(log.content);
}

TEST(FileFormats, BackupAndCatalogueRoundTrip) {
    const Database db = sample();
    const backup_media::BackupOrigin origin{
        1, true, u"DEVSERVER", u"销售'员", 15, "2026-12-08 07:46:56", "2026-12-08 07:47:01"};
    const backup_media::BackupSet set{db.name, db.guid, db.recovery, db.files, *db.content, origin};
    const auto sets = backup_media::decode(backup_media::encode({set, set}));
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[1].origin.userName, origin.userName);
    EXPECT_EQ(sets[1].origin.majorVersion, 15);
    EXPECT_EQ(sets[1].origin.finished, origin.finished);
    EXPECT_EQ(sets[1].recovery, Recovery::Simple);
    EXPECT_EQ(sets[1].content.tables[0].rows, db.content->tables[0].rows);
    const auto catalog = catalog_file::decode(catalog_file::encode({{7, db}}));
    ASSERT_EQ(catalog.count(7), 1u);
    EXPECT_EQ(catalog.at(7).name, db.name);
    EXPECT_TRUE(catalog.at(7).logChainStarted);
}

TEST(FileFormats, DamagedOrForeignFilesAreRejected) {
    const Database db = sample();
    const std::string data = database_files::encode(db, db.files[0], *db.content);
    const std::string media =
        backup_media::encode({{db.name, db.guid, db.recovery, db.files, *db.content, {}}});
    EXPECT_THROW(database_files::decode(media), records::FormatError);
    EXPECT_THROW(backup_media::decode(data), records::FormatError);
    EXPECT_THROW(backup_media::decode(""), records::FormatError);
    for (std::size_t cut = 0; cut < data.size(); cut += 7) {
        EXPECT_THROW(database_files::decode(data.substr(0, cut)), records::FormatError) << cut;
    }
    std::string wrongType = data;
    wrongType.replace(wrongType.find("i:-3"), 4, "s:-3");  // text in an int column
    EXPECT_THROW(database_files::decode(wrongType), records::FormatError);
    std::string tooLong = data;
    tooLong.replace(tooLong.find("s:x"), 3, "s:xxxxxxxx");  // longer than nvarchar(5)
    EXPECT_THROW(database_files::decode(tooLong), records::FormatError);
}
