// Where relative data names are looked for: the order of the places and the folder
// lists of the bitbase path.
#include "board/data_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace tolvaren {

namespace fs = std::filesystem;

namespace {

// The test program's folder, where the build also puts the engine.
std::string programFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path().string();
}

// Runs the body with a fresh, empty working directory.
template <typename Body>
void inEmptyFolder(Body body) {
    const fs::path old = fs::current_path();
    test::TempDir dir;
    fs::current_path(dir.path());
    body(dir.path());
    fs::current_path(old);
}

}  // namespace

TEST(DataPath, CandidatesRunFromTheWorkingFolderToTheInstalledTree) {
    const std::string exe = programFolder();
    const std::vector<std::string> c = dataCandidates("sub/KDK.abb", "bitbases");
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(c.begin(), c.begin() + 3),
              (std::vector<std::string>{
                  "sub/KDK.abb", exe + "/sub/KDK.abb",
                  fs::path(exe).parent_path().string() + "/share/tolvaren/bitbases/sub/KDK.abb"}));
    EXPECT_TRUE(c[3].ends_with("/tolvaren/bitbases/sub/KDK.abb")) << c[3];
    EXPECT_EQ(dataCandidates("/abs/KDK.abb", "bitbases"), std::vector<std::string>{"/abs/KDK.abb"});
}

TEST(DataPath, FolderListsKeepTheFoldersThatExistEachOnce) {
    inEmptyFolder([](const std::string& here) {
        const std::string exe = programFolder();
        fs::create_directory("bb");
        // "." is this folder and the program's; "./bb" and the absolute name of this folder
        // are listed already; names found nowhere stay as they are, and so does an empty
        // entry. (No installed folder has this name, so no tree on the machine counts.)
        EXPECT_EQ(resolveDataFolders(".:bb:./bb:missing:/nowhere::" + here + ":" + here + "/bb",
                                     "no-such-data-folder"),
                  ".:" + exe + ":bb:missing:/nowhere:");
    });
}

}  // namespace tolvaren
