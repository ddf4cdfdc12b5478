// The folder lists of the bitbase path: which of the places a relative name stands for
// are kept. (The installed tree is checked by the installed-tree process test.)
#include "board/data_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_files.h"

namespace tolvaren {

namespace fs = std::filesystem;

TEST(DataPath, FolderListsKeepTheFoldersThatExistEachOnce) {
    const fs::path old = fs::current_path();
    test::TempDir here;
    fs::current_path(here.path());
    fs::create_directory("bb");
    // "." is this folder and the test program's; "./bb" and the absolute names are listed
    // already; names found nowhere stay as they are, and so does an empty entry. (No
    // installed folder has this name, so no tree installed on the machine counts.)
    const std::string exe = fs::read_symlink("/proc/self/exe").parent_path().string();
    EXPECT_EQ(resolveDataFolders(".:bb:./bb:missing:/nowhere::" + here.path() + ":" + here.path("bb"),
                                 "no-such-data-folder"),
              ".:" + exe + ":bb:missing:/nowhere:");
    fs::current_path(old);
}

}  // namespace tolvaren
