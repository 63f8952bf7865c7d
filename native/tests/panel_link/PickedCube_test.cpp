// The name and the match id that a picked .cube file gives its LUT.

#include "panel_link/PickedCube.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// A file read as a .cube drops its last extension; the other formats keep
// theirs, so that the button can show the file's own name.
TEST(PickedCube, NameIsTheFileNameWithoutFolderAndItsCubeExtension) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\Users\\me\\LUTs\\night.grade.cube", "night.grade"},
        {"/home/me/LUTs/night.cube", "night"},
        {"C:\\mixed/seps\\last/day.cube", "day"},
        {"C:\\dotted.folder\\plain", "plain"},
        {"C:\\LUTs\\.cube", ""},
        {"C:\\LUTs\\trailing.", "trailing"},
        {"bare.cube", "bare"},
        {"C:\\Caf\xC3\xA9\\nuit \xC3\xA9t\xC3\xA9.cube", "nuit \xC3\xA9t\xC3\xA9"},
        {"/luts/grade.3dl", "grade.3dl"},
        {"/luts/LOOK.CLF", "LOOK.CLF"},
        {"C:\\shots\\a.b.ccc", "a.b.ccc"},
        {"/luts/log.spi1d", "log.spi1d"},
    };
    for (const auto& c : cases) EXPECT_EQ(kv::LutNameFromPath(c.path), c.name) << c.path;
}

TEST(PickedCube, MatchIdFollowsTheFirstMarker) {
    const struct {
        std::string bytes;
        int32_t id;
    } cases[] = {
        {"TITLE \"x\"\n# Kromvale match 42\nLUT_3D_SIZE 2\n", 42},
        {"LUT_3D_SIZE 2\n0 0 0\n", 0},
        {"# Kromvale match abc\n", 0},
        {"# Kromvale match \t -17x\n", -17},
        {"# Kromvale match +8\n", 8},
        {"# Kromvale match 7\n# Kromvale match 9\n", 7},
        {"# kromvale match 5\n", 0},  // case matters
        {"#Kromvale match 5\n", 0},
        {"junk# Kromvale match 12", 12},  // anywhere in the file, up to its end
        {"# Kromvale match \n\n 31\n", 31},  // atoi skips line ends too
        {"# Kromvale match 0042", 42},
        {"# Kromvale match ", 0},
        {std::string("# Kromvale match 6\0 7", 20), 6},
    };
    for (const auto& c : cases) EXPECT_EQ(kv::MatchIdFromCube(c.bytes), c.id) << c.bytes;
}

TEST(PickedCube, MatchIdOutsideThe32BitRangeIsNoId) {
    EXPECT_EQ(kv::MatchIdFromCube("# Kromvale match 2147483647"), INT32_MAX);
    EXPECT_EQ(kv::MatchIdFromCube("# Kromvale match -2147483648"), INT32_MIN);
    EXPECT_EQ(kv::MatchIdFromCube("# Kromvale match 2147483648"), 0);
    EXPECT_EQ(kv::MatchIdFromCube("# Kromvale match -2147483649"), 0);
    EXPECT_EQ(kv::MatchIdFromCube("# Kromvale match 4294967338"), 0) << "would wrap to 42";
    EXPECT_EQ(kv::MatchIdFromCube("# Kromvale match " + std::string(400, '9')), 0);
}

}  // namespace
