// The files of a printed folder: its print list plist.inf (section
// PrintData, KeyMax entries), or else its print-data files in name order,
// and the folder's information file named after the first file found.
#pragma once

#include <string>
#include <vector>

#include "app/run_settings.h"
#include "platform/ui.h"

namespace kestrel {

// The print list of a folder, when the command line named none.
inline constexpr const char* kPrintListName = "plist.inf";

// Fills list with folder + name of every entry matching pattern (folder
// ends with a separator), sorted for a listing (CompareNamesForListing).
// The first entry the file system returned names infoFile: folder + "I" +
// the name from its second character on (at most 100 bytes), with the
// extension ".txt". No match leaves list empty and infoFile as it was.
void CollectFolderFiles(const std::string& folder, const std::string& pattern, std::vector<std::string>& list,
                        std::string& infoFile);

// Fills list from settings.PrintListPath in key order (1 .. KeyMax). A bare
// file name is taken from folder; a path with a folder part is used as
// written (resolved under BaseDir). Entries naming no file are skipped.
// KeyMax missing or below 1, or nothing left, is shown to the operator and
// leaves list empty. Returns the number of entries naming no file.
int ReadPrintList(const RunSettings& settings, const std::string& folder, std::vector<std::string>& list, Ui& ui);

// The information file of a print-data file name (see CollectFolderFiles).
std::string InfoFileName(const std::string& dataFileName);

}  // namespace kestrel
