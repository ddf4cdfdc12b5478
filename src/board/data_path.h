// Where the engine's data (the opening book, the bitbase folders) is found when an
// option names it by a relative path: the working directory, beside the executable,
// the executable's installed tree, then the configured data folder. So `make run`,
// an installed engine and a DESTDIR-staged tree all find their files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvaren {

// The places a relative name may stand for, nearest first: the name itself (working
// directory), beside the executable, ../share/tolvaren/<installedFolder>/ from the
// executable's folder, and <data folder>/<installedFolder>/. An absolute or empty
// name is its only candidate.
std::vector<std::string> dataCandidates(std::string_view name, std::string_view installedFolder = {});

// A file: the first candidate that can be read; the name itself when none can.
std::string resolveDataFile(std::string_view name);

// A ':'-separated folder list: each relative folder becomes those of its candidates
// that exist, or stays as it is when none does; an absolute one stays; a folder listed
// already is left out. A probe that tries the list in order thus takes each file from
// the nearest place.
std::string resolveDataFolders(std::string_view list, std::string_view installedFolder);

}  // namespace tolvaren
