#pragma once

// TGamenKeyValue: one remembered text per operator and screen key, kept in STYLECOLOR.

#include <string>

namespace firebird {
class Transaction;
class Statement;
} // namespace firebird

#include <memory>

// The rows share STYLECOLOR with the operator's colour styles and are told apart by the style
// name prefix "020-". Nothing is read or written without a signed-in operator or a key, and no
// error reaches the caller.
class TGamenKeyValue {
public:
    // On the system database's default transaction of DM; OpCode is SystemDef.LoginId now.
    TGamenKeyValue();
    // On another transaction (of a system database).
    explicit TGamenKeyValue(firebird::Transaction& transaction);
    ~TGamenKeyValue();
    TGamenKeyValue(const TGamenKeyValue&) = delete;
    TGamenKeyValue& operator=(const TGamenKeyValue&) = delete;

    int OpCode = 0;
    std::string Prefix = "020-";
    std::string StyleName;
    std::string Value;

    void ClearValue() { Value.clear(); }
    // StyleName := Prefix + Key, ASCII letters upper-cased, cut to 40 bytes, trimmed.
    void SetStyleName(const std::string& Key);
    // Text := the value saved under Key (unchanged when there is none).
    void FukugenValue(const std::string& Key, std::string& Text);
    // Saves Text under Key (trimmed, at most 1024 bytes).
    void HozonValue(const std::string& Key, const std::string& Text);

private:
    firebird::Transaction* m_transaction = nullptr;
    std::unique_ptr<firebird::Statement> m_sql;
};
