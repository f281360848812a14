#include "formats/byte_buffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::filesystem::path TempPath(const char* name) {
    return std::filesystem::temp_directory_path() / (std::string("zinop-bb-") + name);
}

TEST(ReadWholeFile, ReadsEveryByteOfFilesAroundTheChunkSize) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{65535}, size_t{65536}, size_t{200001}}) {
        std::vector<uint8_t> bytes(size);
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
        const auto path = TempPath("data.bin");
        FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        if (size > 0) {
            ASSERT_EQ(std::fwrite(bytes.data(), 1, size, file), size);
        }
        std::fclose(file);

        TByteBuffer buffer;
        buffer.Data = {1, 2, 3};
        buffer.Position = 2;
        ASSERT_TRUE(ReadWholeFile(path.string(), buffer)) << size;
        EXPECT_EQ(buffer.Data, bytes) << size;
        EXPECT_EQ(buffer.Position, 0u);
        std::filesystem::remove(path);
    }
}

TEST(ReadWholeFile, MissingFileAndFolderFailWithAnEmptyBuffer) {
    TByteBuffer buffer;
    buffer.Data = {9};
    EXPECT_FALSE(ReadWholeFile(TempPath("missing.bin").string(), buffer));
    EXPECT_TRUE(buffer.Data.empty());

    const auto folder = TempPath("folder");
    std::filesystem::create_directories(folder);
    buffer.Data = {9};
    EXPECT_FALSE(ReadWholeFile(folder.string(), buffer));
    EXPECT_TRUE(buffer.Data.empty());
    std::filesystem::remove(folder);
}

}  // namespace
