#include "cli/HistoryCommand.h"

#include "cli/CliSupport.h"
#include "core/settings/ProgramFolder.h"
#include "core/storage/PlayHistory.h"

namespace romshelf::cli {

int historyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommonOptions o;
    long long since = 0;
    ArgumentReader reader;
    reader.wordsAtMost(0).option(
        "--since", 1, [&](std::span<const std::string> v, std::ostream& e) {
            const std::optional<long long> day = localDayStart(v[0]);
            if (!day) return usageError(e, "--since", "needs a date as YYYY-MM-DD, not " + v[0]);
            since = *day;
            return 0;
        });
    if (const int status = reader.read(args, o, err)) return status;
    const std::string& code = o.code;
    const ProgramFolder folder = programFolderFrom(o.programFolder);
    PlayHistory history(folder.dataFile("PlayHistory.sqlite"), PlayHistory::Access::Read);
    history.setReport([&](const std::string& message) { err << message << "\n"; });
    std::string text;
    for (const GamePlays& g : history.games(code, since)) {
        const std::string cells[] = {g.hardware, g.title, std::to_string(g.stats.count),
                                     playTimeText(g.stats.seconds),
                                     localDateTimeText(g.stats.lastPlayed)};
        appendEscapedRow(cells, text);
    }
    out << text;
    return 0;
}

}  // namespace romshelf::cli
