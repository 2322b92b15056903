// What the build put beside the executable: every model and texture the
// program lists, readable, and the models identical to what the generator
// makes now.

#include "models/model_catalog.h"
#include "xfile_tokens.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

const std::filesystem::path kDeliveredDir = ORVANE_DELIVERED_DIR;

std::string readFile(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le32(const std::string& s, std::size_t at)
{
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k) {
        v = (v << 8) | static_cast<unsigned char>(s[at + k]);
    }
    return v;
}

TEST(DeliveredFiles, EveryModelIsPresentAndCurrent)
{
    for (const xgen::DeliveredModel& m : xgen::deliveredModels()) {
        const auto path = kDeliveredDir / "X-File" / m.fileName;
        ASSERT_TRUE(std::filesystem::is_regular_file(path)) << path;
        const std::string bytes = readFile(path);
        EXPECT_EQ(bytes.substr(0, 16), xgen::fileHeader(m.format)) << m.fileName;
        const auto onDisk = xtest::decodeXFile(bytes);
        const auto fresh = xtest::decodeXFile(xgen::encodeXFile(m.build(), m.format));
        std::string where;
        EXPECT_TRUE(xtest::sameTokens(fresh.tokens, onDisk.tokens, 0.0, where))
            << m.fileName << ": " << where;
    }
}

TEST(DeliveredFiles, EveryTextureIsPresentAndWellFormed)
{
    struct Expected {
        const char* name;
        std::uint32_t width, height;
    };
    const Expected textures[] = {{"1.bmp", 256, 256},         {"2.bmp", 256, 256},
                                 {"City02_01.jpg", 256, 256}, {"earth1.jpg", 512, 256},
                                 {"earth2.jpg", 512, 256},    {"earth3.jpg", 512, 256},
                                 {"mars1.jpg", 512, 256},     {"moon1.jpg", 512, 256},
                                 {"sky1.jpg", 512, 256},      {"sky2.jpg", 512, 256}};
    for (const Expected& t : textures) {
        const auto path = kDeliveredDir / "Texture" / t.name;
        ASSERT_TRUE(std::filesystem::is_regular_file(path)) << path;
        const std::string bytes = readFile(path);
        ASSERT_GT(bytes.size(), 1000u) << t.name;
        if (path.extension() == ".bmp") {
            EXPECT_EQ(bytes.substr(0, 2), "BM") << t.name;
            EXPECT_EQ(le32(bytes, 18), t.width) << t.name;
            EXPECT_EQ(le32(bytes, 22), t.height) << t.name;
            EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24u) << t.name << " is not 24-bit";
            EXPECT_EQ(le32(bytes, 30), 0u) << t.name << " is compressed";
        } else {
            EXPECT_EQ(bytes.substr(0, 3), "\xFF\xD8\xFF") << t.name;
            EXPECT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9") << t.name;
            // Baseline frame header (SOF0) carries height then width.
            const std::size_t sof = bytes.find("\xFF\xC0");
            ASSERT_NE(sof, std::string::npos) << t.name << " is not baseline";
            const auto be16 = [&](std::size_t at) {
                return static_cast<std::uint32_t>((static_cast<unsigned char>(bytes[at]) << 8) |
                                                  static_cast<unsigned char>(bytes[at + 1]));
            };
            EXPECT_EQ(be16(sof + 5), t.height) << t.name;
            EXPECT_EQ(be16(sof + 7), t.width) << t.name;
        }
    }
}

TEST(DeliveredFiles, NothingElseInTheModelFolder)
{
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kDeliveredDir / "X-File")) {
        (void)entry;
        ++count;
    }
    EXPECT_EQ(count, xgen::deliveredModels().size());
}

}  // namespace
