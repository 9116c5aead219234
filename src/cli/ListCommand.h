#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `list [--program-folder DIR] [--hardware CODE] [MODE]`: prints the file list's rows, twelve
// tab-separated cells each (escaped by escapeText), built by the program's own code. Modes: all
// (default), unregistered, nosnap, favourites, folder N, rating N, category K N (K 1-5), class N,
// search TEXT [--field name|reading|file|comment] with the search dialog's other choices
// [--rating N] [--category K TEXT] [--class TEXT] [--favourite yes|no|unset] (N 0 and TEXT
// "未登録" ask for no value; unset is "指定しない"). Returns the exit status (2 an unknown field
// or choice).
int listFiles(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
