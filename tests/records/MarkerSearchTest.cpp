#include "records/FileUtils.h"

#include "platform/Files.h"
#include "platform/Text.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

const std::string kMarker = "## QuarvelZone";

// Backup-like bytes: binary with zero bytes, never holding the marker by chance.
std::string data(std::size_t size)
{
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = char((i % 7 == 0) ? 0 : 0x20 + (i * 13) % 90);
    return s;
}

std::string trailer()
{
    return platform::text::toCp932("## QuarvelZone\r\nSHOUGOU=株式会社テスト\r\nKISHU=2024/04/01\r\n"
                                   "KIMATU=2025/03/31\r\nSIWAKE=120\r\nTOTALSIWAKE=130\r\n"
                                   "DATAVARSION=8.1.0\r\nGASSAN=0\r\nUSEMYNUMBER=1\r\n");
}

// Writes bytes at an offset of a file without filling what lies before (sparse).
void writeAt(const fs::path& file, std::uint64_t offset, const std::string& bytes)
{
    std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
    ASSERT_TRUE(out) << file;
    out.seekp(std::streamoff(offset));
    out.write(bytes.data(), std::streamsize(bytes.size()));
    ASSERT_TRUE(out);
}

} // namespace

TEST(FindTextInFile, GivesTheFirstOccurrenceAndTheBytesFromThere)
{
    struct Case {
        const char* name;
        std::size_t size;
        std::vector<std::pair<std::size_t, std::string>> writes; // bytes put at offsets
        long long expected;                                      // -1 none
    };
    const Case cases[] = {
        {"deep in the file", 20000, {{10000, kMarker}}, 10000},
        {"across two chunks", 2000, {{505, kMarker}}, 505},
        {"at a chunk start", 2000, {{1024, kMarker}}, 1024},
        {"across two buffer fills", 40000, {{16384 - 5, kMarker}}, 16384 - 5},
        {"across later buffer fills", 40000, {{32768 - 13, kMarker}}, 32768 - 13},
        {"ending the file", 1000, {{1000 - 14, kMarker}}, 1000 - 14},
        {"first bytes only", 2000, {{0, kMarker}}, 0},
        {"an occurrence at 0 gives way to a later one", 4000, {{0, kMarker}, {3000, kMarker}}, 3000},
        {"absent", 3000, {}, -1},
        // The last read is short; the bytes an earlier read left at the same places would
        // complete the marker. Only bytes actually read may count.
        {"cut off by the end, not completed by earlier bytes", 32768 + 20,
         {{16384 + 20, "rvelZone"}, {32768 + 14, "## Qua"}}, -1},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::string bytes = data(c.size);
        for (const auto& [offset, part] : c.writes)
            bytes.replace(offset, part.size(), part);
        testsupport::writeFile(dir / "f.bin", bytes);
        std::string text = "stale";
        EXPECT_EQ(FindTextInFile((dir / "f.bin").string(), kMarker, text), c.expected) << c.name;
        if (c.expected > 0) {
            std::string want = bytes.substr(std::size_t(c.expected), 512);
            want.resize(std::min(want.size(), want.find('\0')));
            EXPECT_EQ(text, want) << c.name;
        } else {
            EXPECT_EQ(text, "") << c.name;
        }
    }
}

TEST(FindTextInFile, MissingFileRaises)
{
    TempDir dir;
    std::string text;
    EXPECT_THROW(FindTextInFile((dir / "none.bin").string(), kMarker, text),
                 platform::files::FileError);
}

TEST(ReadTextAfterMarker, CutLeavesExactlyTheBytesBeforeTheTrailer)
{
    for (const std::size_t size : {10000u, 1024u, 511u}) {
        TempDir dir;
        const std::string backup = data(size);
        testsupport::writeFile(dir / "dwacc.fbk", backup + trailer());
        std::string text;
        EXPECT_EQ(ReadTextAfterMarker((dir / "dwacc.fbk").string(), kMarker, text, true),
                  std::int64_t(size));
        EXPECT_EQ(text, trailer().substr(0, 512));
        EXPECT_EQ(testsupport::readFile(dir / "dwacc.fbk"), backup) << size;
        EXPECT_FALSE(fs::exists(dir / "dwacc.wk_"));
    }
}

TEST(ReadTextAfterMarker, WithoutCutTheFileStays)
{
    TempDir dir;
    const std::string whole = data(3000) + trailer();
    testsupport::writeFile(dir / "dwacc.fbk", whole);
    std::string text;
    EXPECT_EQ(ReadTextAfterMarker((dir / "dwacc.fbk").string(), kMarker, text, false), 3000);
    EXPECT_EQ(testsupport::readFile(dir / "dwacc.fbk"), whole);
}

TEST(ReadTextAfterMarker, MarkerTextInsideTheDataNeverCutsIt)
{
    struct Case {
        const char* name;
        std::string bytes;
        long long expected;
    };
    std::string early = data(200000);
    early.replace(1000, kMarker.size(), kMarker);
    std::string nearEnd = data(5000);
    nearEnd.replace(4000, kMarker.size(), kMarker);
    std::string textOnly = std::string(3000, 'x') + kMarker + "\r\nmore text";
    const Case cases[] = {
        {"early in the data, trailer at the end", early + trailer(), 200000},
        {"early in the data, no trailer", early, -1},
        {"near the end, binary after it", nearEnd, -1},
        {"near the end, trailer after it", nearEnd + trailer(), 5000},
        {"text after the marker not ended by a line", textOnly, -1},
    };
    for (const auto& c : cases) {
        TempDir dir;
        testsupport::writeFile(dir / "dwacc.fbk", c.bytes);
        std::string text;
        EXPECT_EQ(ReadTextAfterMarker((dir / "dwacc.fbk").string(), kMarker, text, true),
                  c.expected)
            << c.name;
        const std::string after = testsupport::readFile(dir / "dwacc.fbk");
        EXPECT_EQ(after, c.expected > 0 ? c.bytes.substr(0, std::size_t(c.expected)) : c.bytes)
            << c.name;
    }
}

// A backup past 2 GiB: offsets beyond 32 bits must come out exact.
TEST(ReadTextAfterMarker, SparseBackupPastTwoGigabytes)
{
    TempDir dir;
    const fs::path file = dir / "dwacc.fbk";
    const std::uint64_t dataSize = (std::uint64_t(2) << 30) + (std::uint64_t(300) << 20) + 12345;
    testsupport::writeFile(file, "GBAK");
    fs::resize_file(file, dataSize);
    // The marker text inside the data, before the 2 GiB line and after it.
    writeAt(file, std::uint64_t(1) << 30, kMarker + "\r\n" + std::string(1, '\0'));
    writeAt(file, (std::uint64_t(2) << 30) + 4096, kMarker + std::string(3, '\0'));
    writeAt(file, dataSize - 100, data(100));
    writeAt(file, dataSize, trailer());
    ASSERT_EQ(fs::file_size(file), dataSize + trailer().size());

    std::string text;
    EXPECT_EQ(ReadTextAfterMarker(file.string(), kMarker, text, false), std::int64_t(dataSize));
    EXPECT_EQ(text, trailer().substr(0, 512));

    EXPECT_EQ(ReadTextAfterMarker(file.string(), kMarker, text, true), std::int64_t(dataSize));
    EXPECT_EQ(fs::file_size(file), dataSize);
    std::ifstream in(file, std::ios::binary);
    in.seekg(std::streamoff(dataSize - 100));
    std::string last(100, '\0');
    in.read(last.data(), 100);
    EXPECT_EQ(last, data(100));
}

// The whole-file search past 2 GiB (it reads every byte before the marker).
TEST(FindTextInFile, OffsetsPastTwoGigabytesAreExact)
{
    TempDir dir;
    const fs::path file = dir / "big.bin";
    const std::uint64_t at = (std::uint64_t(2) << 30) + 7;
    testsupport::writeFile(file, "x");
    fs::resize_file(file, at + 4096);
    writeAt(file, at, kMarker + "\r\nSHOUGOU=A\r\n");
    std::string text;
    EXPECT_EQ(FindTextInFile(file.string(), kMarker, text), std::int64_t(at));
    EXPECT_EQ(text, kMarker + "\r\nSHOUGOU=A\r\n");
}

TEST(AppendTextToFile, AppendsCp932AndNeverCreatesTheFile)
{
    TempDir dir;
    testsupport::writeFile(dir / "a.fbk", "DATA");
    AppendTextToFile((dir / "a.fbk").string(), "SHOUGOU=株式会社①\r\n");
    EXPECT_EQ(testsupport::readFile(dir / "a.fbk"),
              "DATA" + platform::text::toCp932("SHOUGOU=株式会社①\r\n"));

    EXPECT_THROW(AppendTextToFile((dir / "none.fbk").string(), "x"), platform::files::FileError);
    EXPECT_FALSE(fs::exists(dir / "none.fbk"));
    // A character without a CP932 form is refused before anything is written.
    EXPECT_THROW(AppendTextToFile((dir / "a.fbk").string(), "x😀"),
                 platform::text::EncodingError);
    EXPECT_EQ(testsupport::readFile(dir / "a.fbk").size(), 4 + platform::text::toCp932("SHOUGOU=株式会社①\r\n").size());
}

TEST(SameBytes, ComparesTheFirstBytesOnly)
{
    EXPECT_TRUE(SameBytes("abcX", "abcY", 3));
    EXPECT_FALSE(SameBytes("abcX", "abcY", 4));
    EXPECT_TRUE(SameBytes("a", "b", 0));
    EXPECT_TRUE(SameBytes("a", "b", -5));
}
