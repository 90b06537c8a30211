#include "devserver/engine/BackupMedia.h"

#include "devserver/engine/ContentRecords.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <utility>

#include "devserver/engine/Text.h"

namespace devserver::backup_media {

namespace {

constexpr std::string_view kMagic = "DEVSERVER BACKUP MEDIA 1";
constexpr int kVersionBuild = 1000;  // as SERVERPROPERTY('ProductVersion') says

void writeOrigin(records::Writer& writer, const BackupOrigin& origin) {
    writer.add({"origin", std::to_string(origin.backupType), origin.copyOnly ? "1" : "0",
                records::fieldOf(origin.serverName), records::fieldOf(origin.userName),
                std::to_string(origin.majorVersion), origin.started, origin.finished});
}

BackupOrigin readOrigin(records::Reader& reader) {
    BackupOrigin origin;
    if (!reader.nextIs("origin")) {
        return origin;
    }
    const auto& record = reader.take("origin", 7);
    origin.backupType = records::toInt(record[1], 1, 8);
    origin.copyOnly = records::toInt(record[2], 0, 1) == 1;
    origin.serverName = records::textOf(record[3], 128);
    origin.userName = records::textOf(record[4], 128);
    origin.majorVersion = records::toInt(record[5], 0, 99);
    origin.started = record[6];
    origin.finished = record[7];
    return origin;
}
// Optional records of a set, after its "set" record and in this order, each only when it
// differs from the default; a reader takes what is there.
constexpr std::string_view kCollationRecord = "collation";
constexpr std::string_view kSingleUserRecord = "single_user";

std::size_t contentBytes(const Content& content) {
    std::size_t bytes = 0;
    for (const Table& table : content.tables) {
        for (const auto& row : table.rows) {
            for (const Value& value : row) {
                bytes += 8;
                if (value && std::holds_alternative<std::u16string>(*value)) {
                    bytes += 2 * std::get<std::u16string>(*value).size();
                }
            }
        }
    }
    return bytes;
}

}  // namespace

std::int64_t pagesOf(const BackupSet& set, const DatabaseFile& file) {
    if (file.kind == FileKind::Log) {
        return 2;
    }
    if (set.origin.backupType == kLogBackup) {
        return 0;
    }
    const bool primary = !set.files.empty() && set.files.front().fileId == file.fileId;
    const std::int64_t used =
        primary ? 336 + static_cast<std::int64_t>(contentBytes(set.content) / 8192) : 8;
    return std::max(used, file.sizePages);
}

std::int64_t pagesOf(const BackupSet& set) {
    std::int64_t pages = 0;
    for (const DatabaseFile& file : set.files) {
        pages += pagesOf(set, file);
    }
    return pages;
}

std::string encode(const std::vector<BackupSet>& sets) {
    records::Writer writer(kMagic);
    for (const BackupSet& set : sets) {
        writer.add({"set", records::fieldOf(set.database), set.guid,
                    set.recovery == Recovery::Simple ? "SIMPLE" : "FULL"});
        writeOrigin(writer, set.origin);
        if (!set.collation.empty()) {
            writer.add({std::string(kCollationRecord), records::fieldOf(set.collation)});
        }
        if (set.access == UserAccess::Single) {
            writer.add({std::string(kSingleUserRecord)});
        }
        records::writeMembers(writer, set.files);
        records::writeContent(writer, set.content);
        writer.add({"endset"});
    }
    return writer.finish();
}

std::vector<BackupSet> decode(std::string_view bytes) {
    records::Reader reader(bytes, kMagic);
    std::vector<BackupSet> sets;
    while (!reader.atEnd()) {
        const auto& header = reader.take("set", 3);
        BackupSet set;
        set.database = records::textOf(header[1], 128);
        set.guid = header[2];
        if (header[3] != "SIMPLE" && header[3] != "FULL") {
            throw records::FormatError("bad recovery model");
        }
        set.recovery = header[3] == "SIMPLE" ? Recovery::Simple : Recovery::Full;
        if (set.database.empty() || set.guid.empty()) {
            throw records::FormatError("incomplete backup set");
        }
        set.origin = readOrigin(reader);
        if (reader.nextIs(kCollationRecord)) {
            set.collation = records::textOf(reader.take(kCollationRecord, 1)[1], 128);
        }
        if (reader.nextIs(kSingleUserRecord)) {
            reader.take(kSingleUserRecord, 0);
            set.access = UserAccess::Single;
        }
        set.files = records::readMembers(reader);
        set.content = records::readContent(reader);
        reader.take("endset", 0);
        sets.push_back(std::move(set));
    }
    if (sets.empty()) {
        throw records::FormatError("no backup set");
    }
    return sets;
}

int databaseVersionOf(int majorVersion) {
    constexpr std::array<std::pair<int, int>, 6> kVersions{
        {{11, 706}, {12, 782}, {13, 852}, {14, 869}, {15, 904}, {16, 957}}};
    for (const auto& [major, version] : kVersions) {
        if (major == majorVersion) {
            return version;
        }
    }
    return 0;
}

std::u16string versionTextOf(int majorVersion) {
    return text::number(majorVersion) + u".00." + text::number(kVersionBuild);
}

std::string localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::array<char, 20> buffer{};
    std::strftime(buffer.data(), buffer.size(), "%Y-%m-%d %H:%M:%S", &local);
    return buffer.data();
}

}  // namespace devserver::backup_media
