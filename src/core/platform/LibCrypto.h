#pragma once

#include <openssl/evp.h>

#include "core/platform/FunctionTable.h"

namespace romshelf {

// The digests of OpenSSL's libcrypto (SHA-1, MD5), loaded when the first is asked for: linked,
// the library's loading made up a tenth of a command-line listing's start, which takes none.
// The names are checked against the header the code is compiled with.
struct LibCrypto {
#define ROMSHELF_CRYPTO_FUNCTIONS(X) \
    X(EVP_MD_fetch)                  \
    X(EVP_md5)                       \
    X(EVP_MD_CTX_new)                \
    X(EVP_MD_CTX_free)               \
    X(EVP_DigestInit_ex)             \
    X(EVP_DigestUpdate)              \
    X(EVP_DigestFinal_ex)
    ROMSHELF_FUNCTION_MEMBERS(ROMSHELF_CRYPTO_FUNCTIONS)
};

// Null when libcrypto cannot be loaded (or lacks one of the functions): no SHA-1 or MD5 then.
const LibCrypto* libCrypto();

}  // namespace romshelf
