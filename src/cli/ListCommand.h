#pragma once

#include "cli/ArgumentReader.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace romshelf {
class Application;
}

namespace romshelf::cli {

// The rows a command works on, chosen with list's options and modes.
struct ListSelection {
    // A choice of the search dialog given as an option: the combo and the entry's text.
    struct SearchChoice {
        int combo;
        std::string item;
    };
    std::string programFolder, code, field = "name";
    std::vector<std::string> mode;
    std::vector<SearchChoice> choices;
    bool yes = false;
};
// Adds a command's own options to those of the list.
using ExtraOption = std::function<void(ArgumentReader& reader)>;

// Reads list's options into `s`; 0, or the exit status after telling `err` what is wrong.
int parseListSelection(const std::vector<std::string>& args, ListSelection& s, std::ostream& err,
                       const ExtraOption& extra = {});
// Shows the selected rows in the application's file list; 0, or the exit status.
int showListSelection(Application& app, const ListSelection& s, std::ostream& err);

// `list [--program-folder DIR] [--hardware CODE] [MODE]`: prints the file list's rows, twelve
// tab-separated cells each (escaped by escapeText), built by the program's own code. Modes: all
// (default), unregistered, nosnap, favourites, folder N, rating N, category K N (K 1-5), class N,
// search TEXT [--field name|reading|file|comment] with the search dialog's other choices
// [--rating N] [--category K TEXT] [--class TEXT] [--favourite yes|no|unset] (N 0 and TEXT
// "未登録" ask for no value; unset is "指定しない"). Returns the exit status (2 an unknown field
// or choice).
int listFiles(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
