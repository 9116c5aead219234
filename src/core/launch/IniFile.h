#pragma once

#include <string>
#include <string_view>

namespace romshelf {

// Sets key=value in [section] of an INI file the way Windows programs expect: section and key
// names match ignoring ASCII case; an existing key's line is replaced, a new key goes after the
// section's last entry, a new section at the end of the file, and a missing file is created.
// Every other byte of the file stays as it was. The value is written in CP932 when it fits.
bool writeIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value);

}  // namespace romshelf
