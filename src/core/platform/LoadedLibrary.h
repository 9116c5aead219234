#pragma once

#include <string>

namespace romshelf {

// A shared library opened when a feature first needs it rather than at every start: each
// library linked in costs every run of the programs its loading and relocation, which is most of
// what a short command-line run takes. Never closed: what such libraries set up (threads, types
// registered with GLib) must outlive any use.
class LoadedLibrary {
public:
    // Opens `soname` (with its own symbols kept apart from the program's).
    explicit LoadedLibrary(const char* soname);

    // The function `name` as `F` (the type of the header's declaration, `decltype(&::name)`);
    // null when the library or the function is missing, and error() then tells which.
    template <typename F>
    F function(const char* name) {
        return reinterpret_cast<F>(find(name));
    }

    bool complete() const { return error_.empty(); }
    // Why the library or one of its functions could not be had; "" when all could.
    const std::string& error() const { return error_; }

private:
    void* find(const char* name);

    std::string soname_;
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace romshelf
