#pragma once

#include <vector>

#include "core/platform/Prompter.h"
#include "core/rename/DatVerify.h"

namespace romshelf {

class Application;

struct VerifyRun {
    VerifyReport report;
    bool aborted = false;
};

// Verifies every listed file of the current hardware against `dat`: a file as it is, an archive
// member by member, read without unpacking anything to disk. Progress and the cancel request go
// through the ports; the user's files are only read.
VerifyRun verifyListedFiles(Application& app, const DatFile& dat);

// "DATファイルで照合": the DAT picker, the run over the listed files, the counts, and the offer
// to save the report (CSV) and a DAT of the missing entries (fixdat). False when it did not run.
bool verifyWithDat(Application& app);

// The report's rows as the window's report dialog shows them: a table of the files and missing
// entries (status, file, game, the entry's name, the name a rename gives, reason), then a table of
// the sets when the DAT is one of sets (status, game, parent, roms found of those needed, the
// missing roms).
std::vector<ReportTable> verifyReportTables(const VerifyReport& report);

// The fixdat's name: the DAT's own name and " (fixdat)".
std::string fixdatName(const VerifyReport& report);

// The fixdat's header: its name, the DAT's version (else the day's date without dashes), the
// day `date` ("2026-12-08"), this program as author and the DAT's skipper.
LogiqxHeader fixdatHeader(const VerifyReport& report, const std::string& date);

// Today's date on the local calendar, "2026-12-08".
std::string todaysDate();

// The fixdat of a report: a Logiqx DAT of its missing entries (see writeLogiqxDat).
std::string fixdatOf(const VerifyReport& report);

}  // namespace romshelf
