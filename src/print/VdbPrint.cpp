// TVDBPrint: the report engine's access to the selected printer's settings.
#include "print/VdbPrint.h"

#include "platform/Printers.h"
#include "platform/Text.h"
#include "print/ErrorLog.h"
#include "print/ReportComponent.h"

#include <cstdlib>
#include <exception>

namespace print {

namespace {

void logFailure(const char* tag, const std::exception& e)
{
    WriteErrorLog(std::string(tag) + ":" + e.what());
}

} // namespace

TVDBPrint::TVDBPrint(platform::PrinterHost& host)
    : m_host(host)
{
    try {
        m_host.setIndex(-1);
        m_host.devMode().ttOption = 1;
        m_host.applyDevMode();
    } catch (const std::exception& e) {
        logFailure("Vdb.Create", e);
        throw;
    }
}

int TVDBPrint::GetPaperNumber(const std::string& paperName, int length, int defaultNumber,
                              int width)
{
    try {
        const auto papers = m_host.papers();
        if (!paperName.empty()) {
            for (const auto& p : papers) {
                if (p.name == paperName)
                    return p.number;
            }
        }
        if (length > 0 && width > 0) {
            for (const auto& p : papers) {
                if (std::abs(p.length - length) < 10 && std::abs(p.width - width) < 10)
                    return p.number;
            }
        }
    } catch (const std::exception& e) {
        logFailure("Vdb.GetPaperNumber", e);
    }
    return defaultNumber;
}

int TVDBPrint::GetPaper()
{
    try {
        return m_host.devMode().paperSize;
    } catch (const std::exception& e) {
        logFailure("Vdb.GetPaper", e);
        return 0;
    }
}

void TVDBPrint::SetPaper(int number)
{
    try {
        m_host.devMode().paperSize = number;
        m_host.applyDevMode();
    } catch (const std::exception& e) {
        logFailure("Vdb.SetPaper", e);
    }
}

void TVDBPrint::SetTTOption(int option)
{
    try {
        m_host.devMode().ttOption = option;
    } catch (const std::exception& e) {
        logFailure("Vdb.SetTTOption", e);
    }
}

void TVDBPrint::SetUserPaperSize(int length, int width)
{
    try {
        auto& mode = m_host.devMode();
        mode.fields |= platform::DM_PAPERSIZE | platform::DM_PAPERLENGTH | platform::DM_PAPERWIDTH;
        mode.paperLength = length;
        mode.paperWidth = width;
        m_host.applyDevMode();
    } catch (const std::exception& e) {
        logFailure("Vdb.SetUserPaperSize", e);
    }
}

void TVDBPrint::ResetUserPaperSize()
{
    try {
        auto& mode = m_host.devMode();
        mode.fields &= ~(platform::DM_PAPERLENGTH | platform::DM_PAPERWIDTH);
        mode.paperLength = 0;
        mode.paperWidth = 0;
        m_host.applyDevMode();
    } catch (const std::exception& e) {
        logFailure("Vdb.ResetUserPaperSize", e);
    }
}

void TVDBPrint::GetDevMode(TVL48DEF& job)
{
    try {
        const auto& mode = m_host.devMode();
        // The record's name fields hold 32 bytes; cut on a character boundary.
        job.DeviceName = platform::text::headByWidth(mode.deviceName, 31);
        job.FormName = platform::text::headByWidth(mode.formName, 31);
        job.PrinterNum = m_host.index();
        job.PaperLength = mode.paperLength;
        job.PaperWidth = mode.paperWidth;
        job.Orientation = mode.orientation - 1;
        job.Scale = mode.scale;
        job.Copies = mode.copies;
        job.PrintQuality = mode.printQuality;
        job.Duplex = mode.duplex;
        job.Collate = mode.collate;
        job.BinNum = mode.defaultSource;
        job.YResolution = mode.yResolution;
        job.DevFields = mode.fields;
    } catch (const std::exception& e) {
        logFailure("Vdb.GetDevMode", e);
    }
}

void TVDBPrint::SetDevMode(const TVL48DEF& job)
{
    try {
        auto& mode = m_host.devMode();
        mode.fields |= platform::DM_COLLATE;
        mode.scale = job.Scale;
        mode.copies = job.Copies;
        mode.collate = job.Collate;
        if (job.ColorMode != 0)
            mode.color = job.ColorMode;
        if (job.Duplex != 0)
            mode.duplex = job.Duplex;
        if (job.PrintQuality != 0)
            mode.printQuality = job.PrintQuality;
        m_host.applyDevMode();
    } catch (const std::exception& e) {
        logFailure("Vdb.SetDevMode", e);
    }
}

} // namespace print
