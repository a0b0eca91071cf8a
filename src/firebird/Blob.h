#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace firebird {

class Transaction;

// The id of a stored BLOB (opaque; valid within the transaction that read or wrote it).
struct BlobId {
    std::uint32_t high = 0;
    std::uint32_t low = 0;
    bool isNull() const { return high == 0 && low == 0; }
    friend bool operator==(const BlobId&, const BlobId&) = default;
};

// One BLOB opened for reading or created for writing within a transaction.
// Bytes are raw; text BLOBs hold CP932 (the connection character set) and convert with
// readText/writeText.
class Blob {
public:
    // Opens an existing BLOB for reading.
    Blob(Transaction& transaction, BlobId id);
    // Creates a new BLOB for writing.
    explicit Blob(Transaction& transaction);
    ~Blob();
    Blob(const Blob&) = delete;
    Blob& operator=(const Blob&) = delete;

    void write(std::string_view bytes);
    std::string readAll();
    // Closes the BLOB; for a new one, its id becomes final.
    void close();
    BlobId id() const { return m_id; }

    // Shorthands.
    static std::string readAll(Transaction& transaction, BlobId id);
    static BlobId create(Transaction& transaction, std::string_view bytes);

private:
    Transaction& m_transaction;
    std::uint32_t m_handle = 0;
    BlobId m_id;
};

} // namespace firebird
