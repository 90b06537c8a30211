#include "devserver/engine/FileSystemViews.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <ctime>

#include "devserver/engine/Messages.h"
#include "devserver/engine/Paths.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Text.h"
#include "devserver/engine/Values.h"

namespace devserver::host_views {

using syntax::ObjectName;

namespace {

constexpr int kFirstReleaseWithHostViews = 14;  // SQL Server 2017
constexpr int kFirstReleaseWithDefaultFolders = 11;
constexpr int kFirstReleaseWithBackupFolder = 15;
constexpr int kPathLength = 512;
constexpr int kTimeLength = 27;  // datetime2(7) as text
constexpr std::int64_t kBytesPerMegabyte = std::int64_t{1024} * 1024;
constexpr std::size_t kMaxTreeRows = 100000;  // xp_dirtree with depth 0 walks every level
constexpr std::int64_t kDriveFixed = 3;

Column column(const char16_t* name, ColumnType type, int length = 0, bool nullable = false) {
    return Column{name, type, length, nullable};
}

bool namedIn(const ObjectName& name, const char* object) {
    if (!text::equalsKeyword(name.object(), object)) {
        return false;
    }
    return name.parts.size() < 2 || text::equalsKeyword(name.parts[name.parts.size() - 2], "SYS");
}

bool hasHostViews(const Context& context) {
    return context.state().majorVersion() >= kFirstReleaseWithHostViews;
}

void requireServerState(const Context& context) {
    if (context.session().restricted) {
        throw SqlError({messages::serverStateDenied(), messages::notPermitted()});
    }
}

// '*' any run of characters, '?' any one; compared as the host compares names.
bool matches(std::u16string_view name, std::u16string_view pattern, const HostFiles& host) {
    if (pattern.empty()) {
        return name.empty();
    }
    if (pattern.front() == u'*') {
        for (std::size_t skip = 0; skip <= name.size(); ++skip) {
            if (matches(name.substr(skip), pattern.substr(1), host)) {
                return true;
            }
        }
        return false;
    }
    if (name.empty()) {
        return false;
    }
    const bool same =
        pattern.front() == u'?' || host.sameName(name.substr(0, 1), pattern.substr(0, 1));
    return same && matches(name.substr(1), pattern.substr(1), host);
}

std::u16string timeText(const timespec& time) {
    std::tm local{};
    localtime_r(&time.tv_sec, &local);
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%04d-%02d-%02d %02d:%02d:%02d.%07ld",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, time.tv_nsec / 100);
    return text::fromAscii(buffer.data());
}

int windowsError(int posixError) {
    switch (posixError) {
        case ENOENT:
        case ENOTDIR:
            return 3;
        default:
            return 5;
    }
}

std::int64_t freeMegabytes(const std::filesystem::path& folder) {
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0) {
        return 0;
    }
    return static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize) /
           kBytesPerMegabyte;
}

// A folder that a statement names, as the host names it without a closing separator.
std::u16string folderWithoutSeparator(std::u16string folder, const HostFiles& host) {
    const std::size_t keep = host.windows() ? 3 : 1;  // "D:\" or "/"
    while (folder.size() > keep && (folder.back() == u'\\' || folder.back() == u'/')) {
        folder.pop_back();
    }
    return folder;
}

std::u16string joined(const std::u16string& folder, const std::u16string& name, char16_t sep) {
    if (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) {
        return folder + name;
    }
    return folder + sep + name;
}

struct Entry {
    std::string name;
    struct stat info {};
};

// The folder's own entries, sorted as the host sorts names; the Windows error on failure.
std::vector<Entry> entriesOf(const std::filesystem::path& folder, int& osError) {
    std::vector<Entry> entries;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    if (error) {
        osError = windowsError(error.value());
        return entries;
    }
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error) {
            osError = windowsError(error.value());
            return {};
        }
        Entry entry{it->path().filename().string(), {}};
        if (::stat(it->path().c_str(), &entry.info) == 0) {
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

void sortByName(std::vector<Entry>& entries) {
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return text::compareText(text::fromUtf8(a.name), text::fromUtf8(b.name)) < 0;
    });
}

Relation hostInfo(const Context& context) {
    const bool windows = context.state().host().windows();
    Relation r;
    r.columns = {column(u"host_platform", ColumnType::NVarChar, 256),
                 column(u"host_distribution", ColumnType::NVarChar, 256),
                 column(u"host_release", ColumnType::NVarChar, 256),
                 column(u"host_service_pack_level", ColumnType::NVarChar, 256),
                 column(u"host_sku", ColumnType::Int, 0, true),
                 column(u"os_language_version", ColumnType::Int)};
    if (windows) {
        r.rows.push_back(
            {std::u16string(u"Windows"), std::u16string(u"Windows Server 2022 Datacenter"),
             std::u16string(u"10.0"), std::u16string(), std::int64_t{8}, std::int64_t{1033}});
    } else {
        r.rows.push_back({std::u16string(u"Linux"), std::u16string(u"Debian GNU/Linux"),
                          std::u16string(u"12"), std::u16string(), std::nullopt, std::int64_t{0}});
    }
    return r;
}

Relation fixedDrives(const Context& context) {
    requireServerState(context);
    Relation r;
    r.columns = {column(u"fixed_drive_path", ColumnType::NVarChar, kPathLength),
                 column(u"drive_type", ColumnType::Int),
                 column(u"drive_type_desc", ColumnType::NVarChar, kPathLength),
                 column(u"free_space_in_bytes", ColumnType::BigInt)};
    for (const WindowsDrive& drive : context.state().host().drives()) {
        r.rows.push_back({std::u16string{drive.letter, u':', u'\\'}, kDriveFixed,
                          std::u16string(u"DRIVE_FIXED"),
                          freeMegabytes(drive.folder) * kBytesPerMegabyte});
    }
    return r;
}

Relation filesystem(const std::vector<Value>& arguments, const Context& context) {
    requireServerState(context);
    Relation r;
    r.columns = {column(u"full_filesystem_path", ColumnType::NVarChar, kPathLength),
                 column(u"parent_directory", ColumnType::NVarChar, kPathLength),
                 column(u"file_or_directory_name", ColumnType::NVarChar, 255),
                 column(u"level", ColumnType::Int),
                 column(u"is_directory", ColumnType::SmallInt),
                 column(u"is_read_only", ColumnType::SmallInt),
                 column(u"is_system", ColumnType::SmallInt),
                 column(u"is_hidden", ColumnType::SmallInt),
                 column(u"has_integrity_stream", ColumnType::SmallInt),
                 column(u"is_temporary", ColumnType::SmallInt),
                 column(u"is_sparse", ColumnType::SmallInt),
                 column(u"creation_time", ColumnType::NVarChar, kTimeLength),
                 column(u"last_access_time", ColumnType::NVarChar, kTimeLength),
                 column(u"last_write_time", ColumnType::NVarChar, kTimeLength),
                 column(u"size_in_bytes", ColumnType::BigInt)};
    if (!arguments[0] || !arguments[1]) {
        return r;
    }
    const HostFiles& host = context.state().host();
    const std::u16string given = values::toText(arguments[0]);
    const std::u16string pattern = values::toText(arguments[1]);
    const std::u16string parent = folderWithoutSeparator(given, host);
    const std::filesystem::path folder = paths::resolve(host, given);

    int osError = 0;
    std::vector<Entry> entries = entriesOf(folder, osError);
    if (osError != 0) {
        throw SqlError(
            messages::folderUnreadable(joined(parent, pattern, host.separator()), osError));
    }
    sortByName(entries);
    // SQL Server walks the whole tree below the folder, level by level; only the folder's
    // own entries (level 0) are modelled.
    for (const Entry& entry : entries) {
        const std::u16string name = text::fromUtf8(entry.name);
        if (!matches(name, pattern, host)) {
            continue;
        }
        const bool directory = S_ISDIR(entry.info.st_mode);
        const bool readOnly = (entry.info.st_mode & S_IWUSR) == 0;
        r.rows.push_back(
            {joined(parent, name, host.separator()), parent, name, std::int64_t{0},
             std::int64_t{directory ? 1 : 0}, std::int64_t{readOnly ? 1 : 0}, std::int64_t{0},
             std::int64_t{entry.name.starts_with('.') ? 1 : 0}, std::int64_t{0}, std::int64_t{0},
             std::int64_t{0}, timeText(entry.info.st_ctim), timeText(entry.info.st_atim),
             timeText(entry.info.st_mtim), std::int64_t{directory ? 0 : entry.info.st_size}});
    }
    return r;
}

void appendTree(const std::filesystem::path& folder, std::int64_t level, std::int64_t depth,
                bool withFiles, RowSet& rows) {
    int osError = 0;
    std::vector<Entry> entries = entriesOf(folder, osError);
    sortByName(entries);
    for (const Entry& entry : entries) {
        if (rows.rows.size() >= kMaxTreeRows) {
            return;
        }
        const bool directory = S_ISDIR(entry.info.st_mode);
        if (!directory && !withFiles) {
            continue;
        }
        std::vector<Value> row{text::fromUtf8(entry.name), level};
        if (withFiles) {
            row.emplace_back(std::int64_t{directory ? 0 : 1});
        }
        rows.rows.push_back(std::move(row));
        if (directory && (depth == 0 || level < depth)) {
            appendTree(folder / entry.name, level + 1, depth, withFiles, rows);
        }
    }
}

// xp_dirtree folder, depth, files: an unreadable or missing folder lists nothing.
void dirTree(const std::vector<Value>& arguments, const Context& context) {
    const std::int64_t depth =
        arguments.size() > 1 && arguments[1] ? values::toInteger(arguments[1]) : 0;
    const bool withFiles =
        arguments.size() > 2 && arguments[2] && values::toInteger(arguments[2]) != 0;
    RowSet rows;
    rows.columns = {column(u"subdirectory", ColumnType::NVarChar, kPathLength),
                    column(u"depth", ColumnType::Int)};
    if (withFiles) {
        rows.columns.push_back(column(u"file", ColumnType::Int));
    }
    if (!arguments.empty() && arguments[0]) {
        appendTree(paths::resolve(context.state().host(), values::toText(arguments[0])), 1,
                   std::max<std::int64_t>(depth, 0), withFiles, rows);
    }
    const auto count = rows.rows.size();
    context.add(std::move(rows));
    context.add(Done{false, count, kCurCmdSelect});
}

void fixedDrivesProcedure(const Context& context) {
    RowSet rows;
    rows.columns = {column(u"drive", ColumnType::NChar, 1), column(u"MB free", ColumnType::Int)};
    for (const WindowsDrive& drive : context.state().host().drives()) {
        rows.rows.push_back({std::u16string(1, drive.letter), freeMegabytes(drive.folder)});
    }
    const auto count = rows.rows.size();
    context.add(std::move(rows));
    context.add(Done{false, count, kCurCmdSelect});
}

}  // namespace

Value serverProperty(const Value& property, const Context& context) {
    if (!property) {
        return std::nullopt;
    }
    const std::u16string name = values::toText(property);
    const State& state = context.state();
    const int release = state.majorVersion();
    const HostFiles& host = state.host();
    auto is = [&](const char16_t* wanted) { return text::sameName(name, wanted); };
    if (is(u"ProductVersion")) {
        return text::number(release) + u".0.1000.6";
    }
    if (is(u"ProductMajorVersion") && release >= kFirstReleaseWithDefaultFolders) {
        return text::number(release);
    }
    if (is(u"Edition")) {
        return std::u16string(u"Developer Edition (64-bit)");
    }
    if (is(u"ServerName") || is(u"MachineName")) {
        return std::u16string(u"DEVSERVER");
    }
    if (is(u"PathSeparator") && release >= kFirstReleaseWithHostViews) {
        return std::u16string(1, host.separator());
    }
    if ((is(u"InstanceDefaultDataPath") || is(u"InstanceDefaultLogPath")) &&
        release >= kFirstReleaseWithDefaultFolders) {
        return host.folderName(state.dataDir());
    }
    if (is(u"InstanceDefaultBackupPath") && release >= kFirstReleaseWithBackupFolder) {
        return host.folderName(state.dataDir());
    }
    return std::nullopt;
}

std::optional<Relation> view(const ObjectName& name, const Context& context) {
    if (!hasHostViews(context)) {
        return std::nullopt;
    }
    if (namedIn(name, "DM_OS_HOST_INFO")) {
        return hostInfo(context);
    }
    if (namedIn(name, "DM_OS_ENUMERATE_FIXED_DRIVES")) {
        return fixedDrives(context);
    }
    if (namedIn(name, "DM_OS_ENUMERATE_FILESYSTEM")) {
        throw SqlError(messages::parametersMissing(name.written()));
    }
    return std::nullopt;
}

Relation tableFunction(const ObjectName& name, const std::vector<Value>& arguments,
                       const Context& context) {
    if (!hasHostViews(context) || !namedIn(name, "DM_OS_ENUMERATE_FILESYSTEM")) {
        throw SqlError(messages::invalidObject(name.written()));
    }
    if (arguments.size() != 2) {
        throw SqlError(messages::parametersMissing(name.written()));
    }
    return filesystem(arguments, context);
}

bool runProcedure(const std::u16string& procedure, const std::vector<Value>& arguments,
                  const Context& context) {
    const bool tree = text::equalsKeyword(procedure, "XP_DIRTREE");
    if (!tree && !text::equalsKeyword(procedure, "XP_FIXEDDRIVES")) {
        return false;
    }
    if (context.session().restricted) {
        throw SqlError(
            messages::executeDenied(text::fromAscii(tree ? "xp_dirtree" : "xp_fixeddrives")));
    }
    if (tree) {
        dirTree(arguments, context);
    } else {
        fixedDrivesProcedure(context);
    }
    return true;
}

}  // namespace devserver::host_views
