#include "devserver/engine/BackupReading.h"

#include <algorithm>

#include "devserver/engine/FileIo.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Paths.h"
#include "devserver/engine/Records.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/State.h"

namespace devserver::statements {

using backup_media::BackupSet;

std::vector<BackupSet> readMedia(const State& state, const std::filesystem::path& path,
                                 const Message& abnormal) {
    const std::u16string shown = paths::display(state.host(), path);
    const auto read = file_io::read(path);
    if (!read.bytes) {
        throw SqlError({messages::backupDeviceFailed(shown, read.osError), abnormal});
    }
    try {
        return backup_media::decode(*read.bytes);
    } catch (const records::FormatError&) {
        throw SqlError({messages::notBackupMedia(shown), abnormal});
    }
}

BackupSet readSet(const State& state, const std::filesystem::path& path, std::int64_t setNumber,
                  const Message& abnormal) {
    std::vector<BackupSet> sets = readMedia(state, path, abnormal);
    if (setNumber < 1 || setNumber > static_cast<std::int64_t>(sets.size())) {
        throw SqlError({messages::backupSetMissing(
                            static_cast<int>(std::clamp<std::int64_t>(setNumber, -1, 32767)),
                            paths::display(state.host(), path)),
                        abnormal});
    }
    return std::move(sets[static_cast<std::size_t>(setNumber - 1)]);
}

}  // namespace devserver::statements
