// RetroArch's database reader over hostile bytes: a refusal always says why and names the file,
// and what it reads fills a database that is looked up.
#include <cstdint>
#include <cstdlib>

#include "FuzzSupport.h"
#include "core/commands/DatabaseFill.h"
#include "core/rename/RetroArchDb.h"

using namespace romshelf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    auto games = readRetroArchDb(fuzz::writeInput("fuzz.rdb", data, size), error);
    if (!games) {
        if (error.find("fuzz.rdb") == std::string::npos) std::abort();
        return 0;
    }
    // At least one byte per game: no game comes from nothing.
    if (games->size() > size) std::abort();
    GameDatabase database;
    const std::vector<GameFacts> copy = *games;
    database.add(std::move(*games));
    const FillOptions options;
    for (const GameFacts& game : copy) {
        if (game.crc && game.size && !database.findByContents(*game.size, *game.crc)) std::abort();
        if (!game.name.empty() && !database.findByTitle(game.name)) std::abort();
        for (int f = 0; f < kFillFieldCount; ++f)
            fillValue(game, static_cast<FillField>(f), options);
    }
    return 0;
}
