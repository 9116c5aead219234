#pragma once

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

// The fixdat's name: the DAT's own name and " (fixdat)".
std::string fixdatName(const VerifyReport& report);

}  // namespace romshelf
