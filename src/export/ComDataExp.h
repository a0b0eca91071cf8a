#pragma once

#include <stdexcept>
#include <string>

// Codes of EDataExportError.
namespace exportcode {
inline constexpr int kCalculationFailed = 1;   // "科目の集計処理に失敗しました。"
inline constexpr int kEmptyPrintName = 2;      // "決算書項目で空の印刷名称が存在します。"
inline constexpr int kNoAcquisitionDate = 4;   // "取得年月が設定されていません。"
inline constexpr int kSaveFailed = 8;          // the linkage file could not be written
inline constexpr int kNoBasicLayout = 256;     // "業務Prefixが条件に加えられていません。"
} // namespace exportcode

// EDataExportError: a failed generation of the linkage file; the message, a detail and a code.
class EDataExportError : public std::runtime_error {
public:
    EDataExportError(const std::string& message, int code, const std::string& detail)
        : std::runtime_error(message), m_detail(detail), m_code(code)
    {
    }
    std::string Message() const { return what(); }
    const std::string& Detail() const { return m_detail; }
    int Code() const { return m_code; }

private:
    std::string m_detail;
    int m_code;
};
