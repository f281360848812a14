// zinop-cli on pictures with alpha and with a broken colour profile: the
// options, info's alpha line, tRNS in the result, and the one warning line.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "run_cli.h"
#include "support/temp_folder.h"

namespace {

void Put32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

// A 4x2 32-bit BMP with a V5 header: the left half transparent (alpha 0),
// the right half opaque; optionally an embedded "profile" of junk.
void WriteAlphaBmp(const std::string& path, bool junkProfile) {
    std::string pixels;
    for (int i = 0; i < 8; ++i) {
        const bool left = i % 4 < 2;
        pixels += std::string{static_cast<char>(40 * i), 90, static_cast<char>(200 - 20 * i),
                              static_cast<char>(left ? 0 : 255)};
    }
    std::string header(124, '\0');
    Put32(header, 0, 124);
    Put32(header, 4, 4);
    Put32(header, 8, 2);
    header[12] = 1;
    header[14] = 32;
    Put32(header, 16, 3);
    Put32(header, 40, 0x00FF0000);
    Put32(header, 44, 0x0000FF00);
    Put32(header, 48, 0x000000FF);
    Put32(header, 52, 0xFF000000);
    const std::string junk(200, 'j');
    if (junkProfile) {
        Put32(header, 56, 0x4D424544);
        Put32(header, 112, static_cast<uint32_t>(124 + pixels.size()));
        Put32(header, 116, static_cast<uint32_t>(junk.size()));
    }
    std::string file = "BM" + std::string(12, '\0') + header + pixels + (junkProfile ? junk : "");
    Put32(file, 2, static_cast<uint32_t>(file.size()));
    Put32(file, 10, 14 + 124);
    std::ofstream(path, std::ios::binary) << file;
}

TEST(CliAlpha, InfoNamesAlphaAndReduceWritesTrnsUnlessIgnored) {
    TTempFolder temp;
    WriteAlphaBmp(temp.Path("sprite.bmp"), false);
    const TCliResult info = RunCli({"info", temp.Path("sprite.bmp")});
    EXPECT_EQ(info.Status, 0);
    EXPECT_NE(info.Out.find("Alpha channel: yes"), std::string::npos) << info.Out;

    const std::string out = temp.Path("out");
    std::filesystem::create_directory(out);
    ASSERT_EQ(RunCli({"reduce", "-q", "-f", "png", "-o", out, temp.Path("sprite.bmp")}).Status, 0);
    EXPECT_NE(ReadFile(out + "/sprite.png").find("tRNS"), std::string::npos);
    ASSERT_EQ(RunCli({"reduce", "-q", "-f", "png", "--ignore-alpha", "-o", out,
                      temp.Path("sprite.bmp")})
                  .Status,
              0);
    EXPECT_EQ(ReadFile(out + "/sprite.png").find("tRNS"), std::string::npos);
    EXPECT_EQ(RunCli({"reduce", "--alpha-threshold", "0", temp.Path("sprite.bmp")}).Status, 2);
    EXPECT_EQ(RunCli({"reduce", "--alpha-threshold", "256", temp.Path("sprite.bmp")}).Status, 2);
}

TEST(CliAlpha, RefusedProfileLoadsWithOneWarningLine) {
    TTempFolder temp;
    WriteAlphaBmp(temp.Path("odd.bmp"), true);
    const TCliResult result =
        RunCli({"reduce", "-q", "-f", "png", "-o", temp.Root(), temp.Path("odd.bmp")});
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(Occurrences(result.Err, "zinop-cli: warning: " + temp.Path("odd.bmp") +
                                          ": its colour profile was refused"),
              1u)
        << result.Err;
}

}  // namespace
