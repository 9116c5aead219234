#pragma once

#include <ostream>
#include <string>

namespace romshelf::cli {

// Prints a data file as JSON, read with the program's own reader as the kind its name gives
// (MainData.slb, Folder_<code>.slb, ...; any other name: the kind its magic gives). Returns the
// exit status: 0 printed, 2 rejected (the kind's message on `err`), 1 not readable at all.
int dumpDataFile(const std::string& path, std::ostream& out, std::ostream& err);

// `dump --salvage`: the whole records before the damage into a new file. 0 written, 2 nothing
// could be recovered (or the new file not written).
int salvageFile(const std::string& path, const std::string& output, std::ostream& out,
                std::ostream& err);

}  // namespace romshelf::cli
