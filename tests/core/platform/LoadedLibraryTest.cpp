#include "core/platform/LoadedLibrary.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "core/platform/LibCrypto.h"

namespace romshelf::test {
namespace {

TEST(LoadedLibraryTest, FunctionsOfALibraryThereAreTheLinkedOnes) {
    LoadedLibrary zlib("libz.so.1");
    const auto version = zlib.function<decltype(&::zlibVersion)>("zlibVersion");
    ASSERT_NE(version, nullptr) << zlib.error();
    EXPECT_TRUE(zlib.complete());
    EXPECT_EQ(zlib.error(), "");
    // The same copy as the one linked in: loading again does not load twice.
    EXPECT_EQ(version, &::zlibVersion);
    EXPECT_EQ(std::string(version()), std::string(::zlibVersion()));
}

TEST(LoadedLibraryTest, AMissingFunctionOrLibraryIsNamed) {
    LoadedLibrary zlib("libz.so.1");
    EXPECT_EQ(zlib.function<void (*)()>("romshelfNoSuchFunction"), nullptr);
    EXPECT_FALSE(zlib.complete());
    EXPECT_EQ(zlib.error(), "libz.so.1 lacks romshelfNoSuchFunction");
    // The first one missing is the one told.
    EXPECT_EQ(zlib.function<void (*)()>("romshelfAnother"), nullptr);
    EXPECT_EQ(zlib.error(), "libz.so.1 lacks romshelfNoSuchFunction");

    LoadedLibrary none("libromshelf-no-such-library.so.7");
    EXPECT_FALSE(none.complete());
    EXPECT_NE(none.error().find("libromshelf-no-such-library.so.7"), std::string::npos)
        << none.error();
    EXPECT_EQ(none.function<decltype(&::zlibVersion)>("zlibVersion"), nullptr);
}

TEST(LoadedLibraryTest, LibcryptoIsLoadedWhole) {
    const LibCrypto* crypto = libCrypto();
    ASSERT_NE(crypto, nullptr);
    EXPECT_NE(crypto->EVP_md5, nullptr);
    EXPECT_NE(crypto->EVP_MD_fetch, nullptr);
    EXPECT_NE(crypto->EVP_DigestFinal_ex, nullptr);
    EXPECT_EQ(libCrypto(), crypto);
}

}  // namespace
}  // namespace romshelf::test
