#pragma once

#include <cstdio>
#include <string>

#include "TempFolder.h"

namespace romshelf::test {

// Writes a RetroArch database file the way its public description lays one out, with Python's
// MessagePack (Debian's python3-msgpack), not with the reader under test: "RARCHDB\0", the
// metadata's offset as 8 big-endian bytes, one map per game, a nil, then {"count": n}.
// `games` is a Python list of dicts (bytes values become MessagePack binaries; zlib is there for
// CRCs); `count` and
// `offset` are Python expressions, None for the true values. The file's path, or "" when Python
// failed.
inline std::string writeRdb(const TempFolder& dir, const std::string& name,
                            const std::string& games, const std::string& count = "None",
                            const std::string& offset = "None") {
    const std::string path = dir.file(name);
    const std::string script = dir.write(
        name + ".py",
        "import msgpack, struct, sys, zlib\n"
        "games = " +
            games +
            "\n"
            "count = " +
            count +
            "\n"
            "offset = " +
            offset +
            "\n"
            "body = b''.join(msgpack.packb(g, use_bin_type=True) for g in games)\n"
            "body += msgpack.packb(None)\n"
            "at = 16 + len(body) if offset is None else offset\n"
            "meta = msgpack.packb({'count': len(games) if count is None else count})\n"
            "open(sys.argv[1], 'wb').write(b'RARCHDB\\0' + struct.pack('>Q', at) + body + meta)\n");
    // Debian's interpreter, which python3-msgpack is installed for.
    const std::string command = "/usr/bin/python3 '" + script + "' '" + path + "'";
    if (std::system(command.c_str()) != 0) return "";
    return path;
}

}  // namespace romshelf::test
