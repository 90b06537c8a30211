#include "devserver/engine/BackupMedia.h"

#include "devserver/engine/ContentRecords.h"

#include <algorithm>

namespace devserver::backupmedia {

namespace {

constexpr std::string_view kMagic = "DEVSERVER BACKUP MEDIA 1";
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

}  // namespace devserver::backupmedia
