#include "core/platform/LibCrypto.h"

namespace romshelf {

const LibCrypto* libCrypto() {
    static const LibCrypto* const loaded =
        ROMSHELF_LOAD_FUNCTIONS(LibCrypto, "libcrypto.so.3", ROMSHELF_CRYPTO_FUNCTIONS);
    return loaded;
}

}  // namespace romshelf
