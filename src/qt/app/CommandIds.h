#pragma once

// Command numbers of the menu bar and the key table. Per-hardware commands come from the
// hardware table.
namespace romshelf::cmd {

enum : int {
    ViewFileList = 32775,
    ViewDatabase = 32776,
    ViewSystem = 32777,
    ViewSnap = 32778,
    ViewFileInfo = 32779,
    ViewFolder = 32780,
    EnvironmentSettings = 32783,
    RecentFile1 = 32788,  // … RecentFile5 = 32792
    EmulatorOnly = 32827,
    LockWindowPositions = 32849,
    GameList = 32851,
    ShowUnregistered = 32852,
    ShowNoSnap = 32853,
    CopyFile = 32855,
    InternalInfo = 32856,
    JoyToKey = 32858,
    Explorer = 32859,
    CompressAll = 32860,
    DecompressAll = 32861,
    ClearTemp = 32862,
    Search = 32863,
    ShowAll = 32864,
    ResetColumnWidths = 32865,
    CreateRenameData = 32867,
    StartRename = 32868,
    OptimiseFileInfo = 32870,
    ShowFavourites = 32871,
    ImportOldCsv = 32872,
    ImportOwnCsv = 32873,
    MergeRenameData = 32903,
    Manual = 32904,
    ResetWindowSizes = 32905,
    CaptureTool = 32907,
    StoreWindowPositions = 32908,
    RestoreWindowPositions = 32909,
    DataBackup = 32910,
    ViewMedia = 32911,
    ResetWindowPositions = 32912,
    // Commands of our own, beyond the classic set.
    RenameDataFromDat = 33001,
    VerifyWithDat = 33002,
    ImportFrontendMetadata = 33003,
    SortByPlayTime = 33004,  // … SortByPlayTime + 2: the orders of kPlaySorts
    OnePerGame = 33007,
    TagFilter = 33008,
    FillFromDatabase = 33009,
    About = 57664,
    Exit = 57665,
};

inline constexpr int kRecentFileCount = 5;

}  // namespace romshelf::cmd
