// Checks around a PDF the print writes: the file it may replace, and the file it wrote.
#include "print/PdfTarget.h"

#include "platform/Paths.h"
#include "records/DataModule.h"

#include <QPrinter>

#include <array>
#include <filesystem>
#include <fstream>

namespace print {

namespace {

std::filesystem::path nativeOf(const std::string& file)
{
    if (!file.empty() && file[0] == '/')
        return std::filesystem::path(file);
    return platform::paths::toNative(file);
}

// The file of a database name: "host:path" names a file of the server, which on loopback is
// this machine's.
std::filesystem::path databaseFile(const std::string& name)
{
    if (!name.empty() && name[0] != '/') {
        const auto colon = name.find(':');
        if (colon != std::string::npos && colon > 1)
            return std::filesystem::path(name.substr(colon + 1));
        return platform::paths::toNative(name);
    }
    return std::filesystem::path(name);
}

// A Firebird header page: page type 1, a power-of-two page size and a plausible on-disk version.
bool hasDatabaseHeader(const std::array<unsigned char, 20>& head)
{
    if (head[0] != 1)
        return false;
    const unsigned pageSize = unsigned(head[16]) | unsigned(head[17]) << 8;
    const unsigned ods = (unsigned(head[18]) | unsigned(head[19]) << 8) & 0x7FFFu;
    const bool powerOfTwo = pageSize >= 1024 && pageSize <= 65536 && (pageSize & (pageSize - 1)) == 0;
    return powerOfTwo && ods >= 8 && ods <= 20;
}

} // namespace

std::string pdfTargetRefusal(const std::string& file)
{
    const std::filesystem::path target = nativeOf(file);
    std::error_code ec;
    if (!std::filesystem::exists(target, ec))
        return {};
    if (DM != nullptr) {
        for (const firebird::Attachment* db : {&DM->IBDatabaseDEF, &DM->IBDatabaseDAT, &DM->IBFileMan}) {
            if (db->databaseName().empty())
                continue;
            std::error_code same;
            if (std::filesystem::equivalent(target, databaseFile(db->databaseName()), same))
                return file + " はこのプログラムが開いているデータベースです。";
        }
    }
    if (std::filesystem::is_directory(target, ec))
        return file + " はフォルダです。";
    if (!std::filesystem::is_regular_file(target, ec))
        return file + " は通常のファイルではありません。";
    std::ifstream in(target, std::ios::binary);
    if (!in)
        return file + " の内容を確認できないため、置き換えませんでした。";
    std::array<unsigned char, 20> head{};
    in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
    const auto got = in.gcount();
    if (got == std::streamsize(head.size()) && hasDatabaseHeader(head))
        return file + " はデータベースファイルです。";
    if (got == 0)
        return {}; // an empty file holds nothing to lose
    if (got < 5 || std::string(reinterpret_cast<const char*>(head.data()), 5) != "%PDF-")
        return file + " は PDF ファイルではないため、置き換えませんでした。";
    return {};
}

std::string writtenPdfFault(const QPrinter& printer, const std::string& file)
{
    if (printer.printerState() == QPrinter::Error)
        return "ファイルに書き込めませんでした。";
    const std::filesystem::path path = nativeOf(file);
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        return "作成したファイルが見つかりません。";
    std::ifstream in(path, std::ios::binary);
    char head[5] = {};
    if (!in || !in.read(head, 5) || std::string(head, 5) != "%PDF-")
        return "ファイルを最後まで書き込めませんでした（ディスクの空き容量が不足している可能性があります）。";
    // The writer ends the file with "%%EOF" and a line end.
    constexpr std::uintmax_t tail = 16;
    in.seekg(std::streamoff(size > tail ? size - tail : 0));
    std::string end(tail, '\0');
    in.read(end.data(), std::streamsize(tail));
    end.resize(std::size_t(in.gcount()));
    if (end.find("%%EOF") == std::string::npos)
        return "ファイルを最後まで書き込めませんでした（ディスクの空き容量が不足している可能性があります）。";
    return {};
}

} // namespace print
