#include "core/platform/LibCrypto.h"

#include "core/platform/LoadedLibrary.h"

namespace romshelf {

const LibCrypto* libCrypto() {
    static const LibCrypto* const loaded = [] {
        static LoadedLibrary library("libcrypto.so.3");
        static LibCrypto crypto;
#define ROMSHELF_CRYPTO_LOAD(name) crypto.name = library.function<decltype(&::name)>(#name);
        ROMSHELF_CRYPTO_FUNCTIONS(ROMSHELF_CRYPTO_LOAD)
#undef ROMSHELF_CRYPTO_LOAD
        return library.complete() ? &crypto : nullptr;
    }();
    return loaded;
}

}  // namespace romshelf
