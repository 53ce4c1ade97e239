#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Result.h"
#include "core/data/DatabaseCheck.h"
#include "core/data/StoreContext.h"

namespace moxtel {

// Where the program's files lie on Linux. The database and its backup lie in one data folder
// ($XDG_DATA_HOME/moxtel/data, default ~/.local/share/moxtel/data); the manual and the folder
// data lie beside the running program.

// $XDG_DATA_HOME/moxtel/data/moxtel.db, or ~/.local/share/moxtel/data/moxtel.db when
// XDG_DATA_HOME is unset, empty or relative.
std::string DefaultDatabaseFile();

// Backup copy of a database file: <folder of that file>/BACKUP/<its file name>.
std::string BackupFileOf(const std::string& databaseFile);

// Folders where the manual (index.html and its pages) may lie, in the order they are tried: the
// installed data folder beside the program (<prefix>/share/moxtel/help for <prefix>/bin), then
// sourceManualFolder (the source tree's manual, for a program run from its build folder) when
// it is not empty.
std::vector<std::string> HelpFolderCandidates(const std::string& programFolder, const std::string& sourceManualFolder);

// index.html of the first candidate folder that has one; nullopt when none has.
std::optional<std::string> FindHelpIndex(const std::vector<std::string>& candidates);

// The folder part of a program file name: the text before its last '/'; "" when there is no '/'
// or it is the first character.
std::string ProgramFolderOf(std::string_view programFile);

// Knows the program folder and makes sure its subfolder data exists. Construction creates
// program folder + "/data" when it is missing; a failure (no right to write, a file named data
// in the way) is silent and changes nothing.
class CDataFolder {
public:
    CDataFolder();

    // Folder of the running program (/proc/self/exe) without a trailing '/'.
    static std::string GetProgramFolder();
    // True when path names an existing entry; with mustBeFolder only when that entry is a folder.
    static bool FolderExists(const std::string& path, bool mustBeFolder);
    // Creates programFolder + "/data" when it is missing; silent on failure.
    static void EnsureDataFolder(const std::string& programFolder);
};

inline constexpr const char* kMsgBackupFailed = "备份失败!请重新启动程序予以备份!";

// Copies the database of store to its backup file (BackupFileOf), replacing
// the earlier copy. The copy is taken through SQLite's online backup, so it is consistent even
// while another connection writes, and lands under a temporary name that is renamed over the old
// copy only when complete and checked (the copy must be this program's database and pass PRAGMA
// integrity_check): a failure, also a damaged database, leaves the earlier copy as it was. A copy
// that holds no days never replaces an earlier copy that holds some (a database cut to nothing is
// taken for a new one and gets empty tables): that is a failure saying so. The
// folder BACKUP is created when missing. A missing database file is a failure (nothing is
// created). Errors carry kMsgBackupFailed as message and the reason (a user's text naming the
// file, such as a full disk) as detail. Like the close step it belongs to, it first constructs a CDataFolder.
// A database unchanged since its last complete backup (same size and time, no pending log) is not
// copied again: closing with a large database stays quick.
// progress is told the bytes copied of the whole size while a copy is taken (not when skipped).
Status BackupDatabase(const StoreContext& store, const CopyProgress& progress = {});

}  // namespace moxtel
