#include "core/platform/LoadedLibrary.h"

#include <dlfcn.h>

namespace romshelf {

LoadedLibrary::LoadedLibrary(const char* soname) : soname_(soname) {
    handle_ = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = ::dlerror();
        error_ = why != nullptr ? why : soname_ + " could not be loaded";
    }
}

void* LoadedLibrary::find(const char* name) {
    if (handle_ == nullptr) return nullptr;
    void* found = ::dlsym(handle_, name);
    if (found == nullptr && error_.empty()) error_ = soname_ + " lacks " + name;
    return found;
}

}  // namespace romshelf
