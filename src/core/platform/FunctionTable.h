#pragma once

#include "core/platform/LoadedLibrary.h"

// A table of a shared library's functions, loaded at its first use (see LoadedLibrary). A struct
// declares a member for each name of its list with ROMSHELF_FUNCTION_MEMBERS(LIST), each of the
// type of the header's own declaration, so that the names are checked against the header the code
// is compiled with; ROMSHELF_LOAD_FUNCTIONS(Table, soname, LIST) loads the library and fills one
// table, or gives null when the library or one of the functions is missing.
#define ROMSHELF_FUNCTION_MEMBER(name) decltype(&::name) name = nullptr;
#define ROMSHELF_FUNCTION_MEMBERS(LIST) LIST(ROMSHELF_FUNCTION_MEMBER)
#define ROMSHELF_FUNCTION_LOAD(name) functions.name = library.function<decltype(&::name)>(#name);
#define ROMSHELF_LOAD_FUNCTIONS(Table, soname, LIST)      \
    [] {                                                  \
        static ::romshelf::LoadedLibrary library(soname); \
        static Table functions;                           \
        LIST(ROMSHELF_FUNCTION_LOAD)                      \
        return library.complete() ? &functions : nullptr; \
    }()
