#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `clean-temp [--program-folder DIR] [--hardware CODE] [--yes]`: empties the TEMP folder of the
// hardware and those left by earlier command-line launches, as "テンポラリフォルダのクリア" does:
// asks first (--yes answers). Exit status 0 cleaned, 1 not (the answer was no), 2 no hardware.
int cleanTemp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
