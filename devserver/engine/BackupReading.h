#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "devserver/engine/BackupMedia.h"
#include "devserver/engine/Reply.h"

namespace devserver {
class State;
}

// Reading a backup file as RESTORE and its listings do: a file that cannot be opened gives
// 3201, one that is no backup 3241, each followed by the statement's own closing message.
namespace devserver::statements {

std::vector<backup_media::BackupSet> readMedia(const State& state,
                                               const std::filesystem::path& path,
                                               const Message& abnormal);
// Set `setNumber` of the file, counting from 1; 4038 when the file has no such set.
backup_media::BackupSet readSet(const State& state, const std::filesystem::path& path,
                                std::int64_t setNumber, const Message& abnormal);

}  // namespace devserver::statements
