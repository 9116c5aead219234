#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace romshelf::archive {

// Reads every regular member of the archive at `path` once, in order, without writing anything
// to disk: `begin` with the member's name (its last path part) and declared size (0 when the
// archive does not say); when it answers true, `data` with each block of its bytes (a sparse gap
// as zeros), then `end`; when false, the member is passed over unread. False when the archive
// cannot be opened or breaks off (the members read up to there were told whole; a member cut
// short is never ended).
bool readMembers(const std::string& path,
                 const std::function<bool(const std::string& name, std::uint64_t size)>& begin,
                 const std::function<void(const void* data, std::size_t size)>& data,
                 const std::function<void()>& end);

}  // namespace romshelf::archive
