// Compressed .x files: MSZIP block layout and the deflate history that runs
// from one block into the next.

#include "sample_scenes.h"
#include "xfile_tokens.h"
#include "xwriter/mszip.h"
#include "xwriter/xwriter.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace xgen;

std::string pseudoRandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) {
        c = static_cast<char>(rng() & 0xFF);
    }
    return s;
}

TEST(MsZip, LargeFileIsSplitIntoValidBlocks)
{
    const Scene scene = xtest::featureScene(200);
    const std::string text = encodeXFile(scene, {Encoding::Text, FloatWidth::Bits32});
    const std::string zipped = encodeXFile(scene, {Encoding::CompressedText, FloatWidth::Bits32});
    ASSERT_GT(text.size(), 3 * kMsZipBlockSize);

    const xtest::DecodedFile d = xtest::decodeXFile(zipped);
    EXPECT_EQ(d.declaredTotal, text.size());  // header included
    EXPECT_EQ(d.body, text.substr(16));
    ASSERT_GE(d.blocks.size(), 4u);
    std::size_t sum = 0;
    std::size_t expectedOffset = 20;
    for (const xtest::MsZipBlock& b : d.blocks) {
        EXPECT_TRUE(b.hasSignature);
        EXPECT_GT(b.uncompressedSize, 0u);
        EXPECT_LE(b.uncompressedSize, 32768u);
        EXPECT_LE(b.compressedSize, 32768u + 12u + 2u);
        EXPECT_EQ(b.offset, expectedOffset);  // blocks follow each other without gaps
        expectedOffset += 4 + b.compressedSize;
        sum += b.uncompressedSize;
    }
    EXPECT_EQ(expectedOffset, zipped.size());
    EXPECT_EQ(sum + 16, d.declaredTotal);
}

TEST(MsZip, BinaryBodyRoundTrips)
{
    const Scene scene = xtest::featureScene(120);
    const std::string plain = encodeXFile(scene, {Encoding::Binary, FloatWidth::Bits64});
    const std::string zipped = encodeXFile(scene, {Encoding::CompressedBinary, FloatWidth::Bits64});
    const xtest::DecodedFile d = xtest::decodeXFile(zipped);
    EXPECT_EQ(d.body, plain.substr(16));
    EXPECT_GT(d.blocks.size(), 1u);
}

TEST(MsZip, LaterBlocksReferBackIntoEarlierOnes)
{
    // Incompressible 20000 bytes, repeated: everything after the first copy,
    // the whole second block included, is a copy from 20000 bytes back.
    const std::string pattern = pseudoRandomBytes(20000, 7);
    const std::string data = pattern + pattern + pattern + pattern;
    const std::string blocks = msZipBlocks(data);
    std::vector<xtest::MsZipBlock> info;
    EXPECT_EQ(xtest::inflateMsZip(blocks, info), data);
    ASSERT_EQ(info.size(), 3u);
    EXPECT_GT(info[0].compressedSize, 20000u);
    EXPECT_LT(info[1].compressedSize, 1000u);

    // A reader that restarts every block without history cannot decode it.
    std::vector<xtest::MsZipBlock> ignored;
    EXPECT_THROW(xtest::inflateMsZip(blocks, ignored, false), std::runtime_error);
}

TEST(MsZip, SmallBodyIsOneBlock)
{
    const std::string blocks = msZipBlocks("Header { 1; 2; 3; }");
    std::vector<xtest::MsZipBlock> info;
    EXPECT_EQ(xtest::inflateMsZip(blocks, info), "Header { 1; 2; 3; }");
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0].uncompressedSize, 19u);
    EXPECT_EQ(blocks.substr(4, 2), "CK");
}

TEST(MsZip, ExactMultipleOfTheBlockSizeLeavesNoEmptyBlock)
{
    const std::string data(2 * kMsZipBlockSize, 'x');
    std::vector<xtest::MsZipBlock> info;
    EXPECT_EQ(xtest::inflateMsZip(msZipBlocks(data), info), data);
    EXPECT_EQ(info.size(), 2u);
}

}  // namespace
