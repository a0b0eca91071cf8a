#include "records/BufFileStream.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testsupport::TempDir;

namespace {

std::string pattern(std::size_t size)
{
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = char((i * 7 + i / 251) & 0xFF);
    return s;
}

} // namespace

TEST(TBufFileStream, ReadLargerThanBufferRaises)
{
    TempDir dir;
    testsupport::writeFile(dir / "a.bin", pattern(4096));
    TBufFileStream s((dir / "a.bin").string(), 1, TBufFileStream::Mode::Read);
    std::vector<char> buf(1025);
    try {
        s.Read(buf.data(), 1025);
        FAIL() << "no exception";
    } catch (const EBufferOverflow& e) {
        EXPECT_STREQ(e.what(), "バッファの大きさを越えています。");
    }
    EXPECT_EQ(s.Read(buf.data(), 1024), 1024);
}

TEST(TBufFileStream, SmallReadsDeliverTheFileInOrderAndEndWithZero)
{
    TempDir dir;
    const std::string bytes = pattern(16 * 1024 + 100);
    testsupport::writeFile(dir / "a.bin", bytes);
    TBufFileStream s((dir / "a.bin").string(), 16, TBufFileStream::Mode::Read);

    std::string got;
    std::vector<std::int64_t> sizes;
    char buf[512];
    for (;;) {
        const auto n = s.Read(buf, 512);
        sizes.push_back(n);
        if (n == 0)
            break;
        got.append(buf, std::size_t(n));
    }
    ASSERT_EQ(sizes.size(), 34u);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(sizes[std::size_t(i)], 512) << i;
    EXPECT_EQ(sizes[32], 100);
    EXPECT_EQ(sizes[33], 0);
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(s.Position(), std::int64_t(bytes.size()));
    EXPECT_EQ(s.Read(buf, 512), 0);
}

TEST(TBufFileStream, ReadsAcrossTheBufferEdgeAndAfterSeeks)
{
    TempDir dir;
    const std::string bytes = pattern(5000);
    testsupport::writeFile(dir / "a.bin", bytes);
    TBufFileStream s((dir / "a.bin").string(), 1, TBufFileStream::Mode::Read);

    char buf[1024];
    ASSERT_EQ(s.Read(buf, 1000), 1000);
    // 24 bytes left in the buffer: the rest is moved to the front and refilled.
    ASSERT_EQ(s.Read(buf, 100), 100);
    EXPECT_EQ(std::string(buf, 100), bytes.substr(1000, 100));

    EXPECT_EQ(s.Seek(-50, 1), 1050);
    ASSERT_EQ(s.Read(buf, 10), 10);
    EXPECT_EQ(std::string(buf, 10), bytes.substr(1050, 10));

    EXPECT_EQ(s.Seek(-8, 2), 4992);
    EXPECT_EQ(s.Read(buf, 100), 8);
    EXPECT_EQ(std::string(buf, 8), bytes.substr(4992));
}

TEST(TBufFileStream, WriteGoesToTheLogicalPosition)
{
    TempDir dir;
    testsupport::writeFile(dir / "a.bin", std::string(2000, 'a'));
    {
        TBufFileStream s((dir / "a.bin").string(), 1, TBufFileStream::Mode::ReadWrite);
        char buf[10];
        ASSERT_EQ(s.Read(buf, 10), 10);
        EXPECT_EQ(s.Write("XYZ", 3), 3);
        ASSERT_EQ(s.Read(buf, 2), 2);
        EXPECT_EQ(std::string(buf, 2), "aa");
    }
    const std::string after = testsupport::readFile(dir / "a.bin");
    EXPECT_EQ(after.substr(8, 7), "aaXYZaa");
    EXPECT_EQ(after.size(), 2000u);
}
