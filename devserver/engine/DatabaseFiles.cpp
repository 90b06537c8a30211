#include "devserver/engine/DatabaseFiles.h"

#include "devserver/engine/ContentRecords.h"

namespace devserver::database_files {

namespace {

constexpr std::string_view kMagic = "DEVSERVER DATABASE FILE 1";
constexpr std::string_view kRecoveryRecord = "recovery";
constexpr std::string_view kSimple = "SIMPLE";
constexpr std::string_view kFull = "FULL";
// The collation lives in the database too; files written before it was recorded take the
// instance's when attached.
constexpr std::string_view kCollationRecord = "collation";

}  // namespace

bool isPrimary(const Database& database, const DatabaseFile& file) {
    return !database.files.empty() && database.files.front().fileId == file.fileId;
}

std::string encode(const Database& database, const DatabaseFile& file, const Content& content) {
    records::Writer writer(kMagic);
    writer.add({"database", records::fieldOf(database.name), database.guid});
    writer.add({"file", std::to_string(file.fileId), records::kindField(file.kind),
                records::fieldOf(file.logicalName)});
    if (isPrimary(database, file)) {
        records::writeMembers(writer, database.files);
        records::writeContent(writer, content);
        writer.add({std::string(kRecoveryRecord),
                    std::string(database.recovery == Recovery::Simple ? kSimple : kFull)});
        if (!database.collation.empty()) {
            writer.add({std::string(kCollationRecord), records::fieldOf(database.collation)});
        }
    }
    return writer.finish();
}

FileImage decode(std::string_view bytes) {
    records::Reader reader(bytes, kMagic);
    FileImage image;
    const auto& database = reader.take("database", 2);
    image.database = records::textOf(database[1], 128);
    image.guid = database[2];
    const auto& file = reader.take("file", 3);
    image.self.fileId = records::toInt(file[1], 1, 32767);
    image.self.kind = records::kindOf(file[2]);
    image.self.logicalName = records::textOf(file[3], 128);
    if (image.database.empty() || image.guid.empty() || image.self.logicalName.empty()) {
        throw records::FormatError("incomplete identity");
    }
    if (reader.nextIs("member")) {
        image.members = records::readMembers(reader);
        image.content = records::readContent(reader);
        if (image.members.front().fileId != image.self.fileId) {
            throw records::FormatError("members in a secondary file");
        }
        // Files written before the model was recorded carry none and attach as FULL.
        if (reader.nextIs(kRecoveryRecord)) {
            const auto& recovery = reader.take(kRecoveryRecord, 1);
            if (recovery[1] != kSimple && recovery[1] != kFull) {
                throw records::FormatError("unknown recovery model");
            }
            image.recovery = recovery[1] == kSimple ? Recovery::Simple : Recovery::Full;
        }
        if (reader.nextIs(kCollationRecord)) {
            image.collation = records::textOf(reader.take(kCollationRecord, 1)[1], 128);
        }
    }
    if (!reader.atEnd()) {
        throw records::FormatError("trailing records");
    }
    return image;
}

}  // namespace devserver::database_files
