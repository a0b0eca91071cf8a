#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Every file operation of the program goes through this layer. Paths are in Windows form and
// resolve through the drive map of platform/Paths.h. Failures raise FileError.
namespace platform::files {

// The reason a file operation failed, in Japanese, for messages shown to the user.
std::string errorReason(int errorCode);

// A failed file operation: the Windows-form path, the operation and the system error.
// what() is for the user (the reason in Japanese); systemText() is the system's own wording,
// which reaches the error log when the message is shown (see logShownErrors).
class FileError : public std::runtime_error {
public:
    FileError(const std::string& operation, const std::string& path, int errorCode);
    const std::string& path() const { return m_path; }
    int errorCode() const { return m_errorCode; }
    std::string systemText() const;

private:
    std::string m_path;
    int m_errorCode;
};

// Called by the message service for the text of every box about to be shown: each recent
// FileError whose message the text carries (whole, or its path and reason) is written to the
// error log with its system text and errno, once. Callers show what() and need do nothing more.
void logShownErrors(const std::string& shownText);

// Fault injection for tests: the next operation of the kind fails with the given errno
// (ENOSPC "disk full", EIO ...), after `skip` operations of that kind have passed. A write
// fails after half of its bytes reached the disk.
enum class Operation { Write, Rename, Copy, Remove };
void failNext(Operation operation, int errorCode, int skip = 0);
void clearFaults();

bool exists(std::string_view path);
bool fileExists(std::string_view path);
bool directoryExists(std::string_view path);
std::uintmax_t fileSize(std::string_view path);

// Whole contents.
std::string readAll(std::string_view path);
// Writes the file whole or not at all: a temporary file beside it, flushed, then renamed over it.
// The temporary's name has a fixed length (any legal target name fits); temporaries of the same
// target left by a killed save are removed. The new file keeps the old file's permission bits
// (never set-id bits), or gets 0666 less the umask.
void writeAllAtomic(std::string_view path, std::string_view bytes);
// Writes a file whole or not at all, in pieces: the same temporary, permission and fault rules
// as writeAllAtomic. commit() flushes and renames over the target; destroying the writer
// without a commit (or any failed write) removes the temporary and leaves the target as it was.
class AtomicWriter {
public:
    explicit AtomicWriter(std::string_view path);
    ~AtomicWriter();
    AtomicWriter(const AtomicWriter&) = delete;
    AtomicWriter& operator=(const AtomicWriter&) = delete;

    void write(std::string_view bytes);
    void commit();

private:
    void discard();
    std::string m_path;
    std::filesystem::path m_target;
    std::string m_temporary;
    int m_fd = -1;
};
// Appends to the file, creating it when missing.
void append(std::string_view path, std::string_view bytes);
// Appends to an existing file; a missing file raises.
void appendExisting(std::string_view path, std::string_view bytes);

// Renames (moves) a file or folder; an existing target file is replaced.
void rename(std::string_view from, std::string_view to);
// Copies one file whole (through a temporary, as writeAllAtomic); with overwrite false an
// existing target raises. The copy gets the source's permission bits less the umask.
void copyFile(std::string_view from, std::string_view to, bool overwrite = true);
void removeFile(std::string_view path);
// Creates one folder (its parent must exist); an existing folder is not an error.
void createDirectory(std::string_view path);
// Creates the folder with every missing parent.
void createDirectories(std::string_view path);
// Removes an empty folder.
void removeDirectory(std::string_view path);
// Removes a folder with everything in it.
void removeAll(std::string_view path);

struct Entry {
    std::string name;
    bool isDirectory = false;
    std::uintmax_t size = 0;
};
// Entries of a folder ("." and ".." left out), in the file system's order.
std::vector<Entry> list(std::string_view folder);

// An open file with a position. Write() goes through the fault seam.
class File {
public:
    enum class Mode { Read, ReadWrite, Create /* truncate or create, read/write */, Append };
    File(std::string_view path, Mode mode);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Bytes read (fewer at the end of the file).
    std::size_t read(char* buffer, std::size_t count);
    void write(const char* data, std::size_t count);
    void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }
    // Origin: 0 begin, 1 current, 2 end. Returns the new position.
    std::int64_t seek(std::int64_t offset, int origin);
    std::int64_t size() const;
    // Flushes to the disk.
    void sync();
    void close();

private:
    int m_fd = -1;
    std::string m_path;
};

} // namespace platform::files
