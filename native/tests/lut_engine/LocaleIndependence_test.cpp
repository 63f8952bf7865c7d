// A host process may switch to a locale whose decimal point is a comma; LUT
// text and .cube files must read and write the same bytes regardless.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "LutTextTestText.h"
#include "lut_engine/ClfFile.h"
#include "lut_engine/CubeFile.h"
#include "lut_engine/LutText.h"
#include "lut_engine/NumberText.h"

namespace {

// Switches the whole process to the first comma-decimal locale available and
// back to the previous one at the end.
class CommaLocale {
public:
    CommaLocale() {
        previous_ = std::setlocale(LC_ALL, nullptr);
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "German_Germany.1252",
                                 "de-DE"}) {
            if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') {
                name_ = name;
                return;
            }
        }
        std::setlocale(LC_ALL, previous_.c_str());
    }
    ~CommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
    const std::string& name() const { return name_; }

private:
    std::string previous_;
    std::string name_;
};

TEST(LocaleIndependence, CommaLocaleChangesNothing) {
    const CommaLocale locale;
    if (locale.name().empty()) {
        GTEST_SKIP() << "NO COMMA-DECIMAL LOCALE INSTALLED: locale independence is NOT tested. "
                        "Generate one, e.g. `localedef -i de_DE -f UTF-8 de_DE.UTF-8` (package locales).";
    }
    char printed[32];
    std::snprintf(printed, sizeof printed, "%.1f", 0.5);
    ASSERT_STREQ(printed, "0,5") << "locale " << locale.name() << " does not affect printf";

    EXPECT_EQ(kv::FormatG9(0.5), "0.5");
    EXPECT_EQ(kv::FormatG9(-1.25e-7), "-1.25e-07");

    kv::Lut3D lut;
    lut.size = 2;
    lut.data.assign(24, 0.25f);
    lut.data[0] = -0.5f;
    lut.data[23] = 1.75f;
    const std::string text = kv::FormatLutText(lut, 3, "x");
    EXPECT_EQ(text.substr(0, 22), "KVLUT3 3 x 2 -0.5 1.75");
    kv::Lut3D back;
    std::string error;
    ASSERT_TRUE(kv::ParseLutText(text, back, &error)) << error;
    EXPECT_EQ(back.data[0], -0.5f);
    EXPECT_NEAR(back.data[1], 0.25f, 1e-4);

    ASSERT_TRUE(kv::ParseLutText("KVLUT1 2 0.5 1.5 " + kvtest::codesBase64(kvtest::rampCodes(2)), back, &error));
    EXPECT_EQ(back.data[0], 0.5f);

    const std::string cube =
        "DOMAIN_MAX 1.5 1.5 1.5\nLUT_3D_SIZE 2\n"
        "0.5 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n";
    ASSERT_TRUE(kv::ReadCubeFile(cube, back, &error)) << error;
    EXPECT_EQ(back.data[0], 0.5f);
    EXPECT_EQ(back.domainMax[1], 1.5f);

    kv::ProcessList list;
    ASSERT_TRUE(kv::ReadClfFile("<ProcessList compCLFversion=\"3\" id=\"l\"><Matrix inBitDepth=\"10i\" "
                                "outBitDepth=\"10i\"><Array dim=\"3 4\">1.5 0 0 102.3 0 1 0 0 0 0 1 0</Array>"
                                "</Matrix></ProcessList>",
                                list, &error))
        << error;
    EXPECT_EQ(std::get<kv::MatrixStep>(list.steps[0]).m[0], 1.5f);
    EXPECT_FLOAT_EQ(std::get<kv::MatrixStep>(list.steps[0]).offset[0], 0.1f);
}

}  // namespace
