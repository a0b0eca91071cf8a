// TVDBPrint: the report engine's access to the selected printer's settings.
#pragma once

#include <memory>
#include <string>

namespace platform {
class PrinterHost;
}

namespace print {

struct TVL48DEF;

// A thin wrapper over the selected printer's device mode. Every operation logs its own failure
// with its tag and returns normally (a getter with 0); only the constructor raises again.
class TVDBPrint {
public:
    // Uses the given printer layer (not owned); selects the default printer.
    explicit TVDBPrint(platform::PrinterHost& host);

    platform::PrinterHost& host() { return m_host; }

    int GetPaperNumber(const std::string& paperName, int length, int defaultNumber, int width);
    int GetPaper();
    void SetPaper(int number);
    void SetTTOption(int option);
    void SetUserPaperSize(int length, int width);
    void ResetUserPaperSize();
    void GetDevMode(TVL48DEF& job);
    void SetDevMode(const TVL48DEF& job);

private:
    platform::PrinterHost& m_host;
};

} // namespace print
