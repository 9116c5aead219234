#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "RawBytes.h"
#include "ShellQuote.h"

// Helpers of the archive tests: the real archivers as independent peers, and ZIP files built
// byte by byte for the cases no archiver would write.
namespace romshelf::test {


// Runs a shell command; its exit status (-1 when it could not run).
int runShell(const std::string& command);
// Runs a shell command and returns what it printed on standard output.
std::string captureShell(const std::string& command);

enum class Packer { Zip, SevenZip, SevenZipNonSolid, Cab };

// Packs `names` (files in `folder`, no paths stored) into `folder` + `archiveName` with the
// real tool, in the order given. True when the tool succeeded.
bool packWithTool(Packer packer, const std::string& folder, const std::string& archiveName,
                  const std::vector<std::string>& names);

// Names of the entries of a folder, sorted (hidden ones included).
std::vector<std::string> folderEntries(const std::string& folder);

// Deterministic bytes that do not compress to nothing.
std::string romBytes(std::size_t size, unsigned seed = 1);

std::string rawDeflate(std::string_view data);

class ZipBuilder {
  public:
    struct Member {
        Member(std::string name, std::string bytes)
            : rawName(std::move(name)), data(std::move(bytes)) {}
        std::string rawName;  // stored as is
        std::string data;
        bool deflate = false;
        bool utf8Flag = false;
        std::optional<std::uint32_t> declaredSize;  // a lie about the uncompressed size
        std::optional<std::uint32_t> unixMode;      // e.g. 0120777 for a symbolic link
        // Sizes and CRC only in a data descriptor after the data (flag bit 3).
        bool dataDescriptor = false;
    };

    ZipBuilder& add(Member member);
    ZipBuilder& add(std::string rawName, std::string data) {
        return add(Member{std::move(rawName), std::move(data)});
    }
    // The archive; without the central directory only a streaming reader can read it.
    std::string bytes(bool withCentralDirectory = true) const;

  private:
    std::vector<Member> members_;
};

}  // namespace romshelf::test
