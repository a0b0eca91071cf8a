#include "firebird/DatabaseError.h"

#include "firebird/Client_p.h"
#include "platform/Text.h"

#include <utility>

namespace firebird {

DatabaseError::DatabaseError(long statusCode, int sqlCode, std::string message,
                             std::string context)
    : std::runtime_error(message)
    , m_statusCode(statusCode)
    , m_sqlCode(sqlCode)
    , m_message(std::move(message))
    , m_context(std::move(context))
{
}

static_assert(kNetworkError == isc_network_error && kConnectionShutdown == isc_att_shutdown &&
              kLostDbConnection == isc_lost_db_connection && kDatabaseShutdown == isc_shutdown);

bool isConnectionLoss(long statusCode)
{
    switch (statusCode) {
    case kNetworkError:
    case kConnectionShutdown:
    case kLostDbConnection:
    case kDatabaseShutdown:
        return true;
    default:
        return false;
    }
}

bool isConnectionLoss(const std::exception& error)
{
    if (const auto* db = dynamic_cast<const DatabaseError*>(&error))
        return isConnectionLoss(db->statusCode());
    return dynamic_cast<const NotConnectedError*>(&error) != nullptr;
}

namespace detail {

DatabaseError makeError(const ISC_STATUS* status, std::string context)
{
    long code = (status[0] == 1) ? static_cast<long>(status[1]) : 0;
    // A link that breaks after connecting: the Windows client reports isc_network_error
    // followed by the read or write error, the Linux client the second code alone. One code
    // for one condition, so that the lost connection is recognised wherever it happens.
    if (code == isc_net_read_err || code == isc_net_write_err)
        code = isc_network_error;
    const int sqlCode = static_cast<int>(isc_sqlcode(status));

    // Every interpreted line joined by one blank: the logs keep one error on one line.
    std::string text;
    char buffer[1024];
    const ISC_STATUS* cursor = status;
    while (fb_interpret(buffer, sizeof buffer, &cursor) > 0) {
        std::string line = lenientFromCp932(buffer);
        for (char& c : line) {
            if (c == '\r' || c == '\n')
                c = ' ';
        }
        if (!text.empty())
            text += ' ';
        text += line;
    }
    if (text.empty())
        text = "database error " + std::to_string(code);
    return DatabaseError(code, sqlCode, std::move(text), std::move(context));
}

std::string lenientFromCp932(std::string_view bytes)
{
    try {
        return platform::text::fromCp932(bytes);
    } catch (const platform::text::EncodingError&) {
        std::string out;
        for (unsigned char c : bytes)
            out += c < 0x80 ? char(c) : '?';
        return out;
    }
}

void addString(std::string& buffer, char tag, std::string_view value)
{
    const std::size_t n = value.size() > 255 ? 255 : value.size();
    buffer += tag;
    buffer += static_cast<char>(n);
    buffer.append(value.data(), n);
}

void addString2(std::string& buffer, char tag, std::string_view value)
{
    const std::size_t n = value.size() > 65535 ? 65535 : value.size();
    buffer += tag;
    buffer += static_cast<char>(n & 0xFF);
    buffer += static_cast<char>((n >> 8) & 0xFF);
    buffer.append(value.data(), n);
}

void addInt32(std::string& buffer, char tag, std::uint32_t value)
{
    buffer += tag;
    for (int i = 0; i < 4; ++i)
        buffer += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void addDpbInt32(std::string& buffer, char tag, std::uint32_t value)
{
    buffer += tag;
    buffer += char(4);
    for (int i = 0; i < 4; ++i)
        buffer += static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace detail
} // namespace firebird
