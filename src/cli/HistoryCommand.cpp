#include "cli/HistoryCommand.h"

#include "cli/CliSupport.h"
#include "core/settings/ProgramFolder.h"
#include "core/storage/PlayHistory.h"

namespace romshelf::cli {

int historyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string programFolder, code;
    long long since = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--program-folder" && hasValue) {
            programFolder = args[++i];
        } else if (args[i] == "--hardware" && hasValue) {
            code = args[++i];
        } else if (args[i] == "--since" && hasValue) {
            const std::optional<long long> day = localDayStart(args[++i]);
            if (!day) {
                err << "--since takes a date as YYYY-MM-DD\n";
                return 64;
            }
            since = *day;
        } else if (args[i] == "--yes") {
            // nothing is asked
        } else {
            err << "unknown argument: " << args[i] << "\n";
            return 64;
        }
    }
    const ProgramFolder folder = programFolderFrom(programFolder);
    PlayHistory history(folder.dataFile("PlayHistory.sqlite"));
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
