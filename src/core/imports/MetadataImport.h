#pragma once

#include <optional>
#include <string>
#include <vector>

namespace romshelf {

class Application;

struct MetadataImportResult {
    int matched = 0;    // games that found their listed file
    int unmatched = 0;  // games whose file is not listed
    int skipped = 0;    // games without a file, or that found no room in the table
    std::vector<std::string> unmatchedNames;  // the first few, as the file names them
    std::string backupPath;  // the copy of the records before the import; empty when none
};

// Another frontend's metadata (an ES-DE/EmulationStation gamelist.xml or a Pegasus metadata
// file, told apart by their contents) into the records of the listed files of the current
// hardware: a game finds its file by its path's file name, then by its title. Name, description
// (the comment, with Windows line breaks), rating (as stars), genre (category 1, added to that
// list) and favourite fill a record's empty fields, or every field with `overwrite`; ES-DE's play
// count and last play join the play history (as many plays as it lacks). The records
// are copied aside first, as the CSV import does, then saved. nullopt (and `error`) when the file
// cannot be read.
std::optional<MetadataImportResult> importFrontendMetadata(Application& app,
                                                           const std::string& path, bool overwrite,
                                                           std::string& error);

// "他のフロントエンドの情報を読み込む": the file picker, whether to overwrite, the import and its
// counts. False when nothing was imported.
bool importFrontendMetadataCommand(Application& app);

std::string metadataResultText(const MetadataImportResult& result);

}  // namespace romshelf
