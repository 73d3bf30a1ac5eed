// Printing of the curve tracks: a page on request, or one page per page
// length of new data while auto print is on.
#include <QPainter>
#include <QPrinter>
#include <cstring>
#include <ctime>
#include <mutex>

#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "display/PrintedPage.h"
#include "display/PrinterSettings.h"
#include "display/ScopeTrack.h"
#include "display/ScopeTrackPicture.h"
#include "header/HeaderRecord.h"
#include "platform/Printer.h"

bool CScopeTrack::Print(bool fromMenu)
{
    int pageCount = 0;
    {
        std::lock_guard lock(m_mutex);
        m_dPageSamples = page::PrintedSamples(m_dPageSamples, m_scale.pixelsPerSample, fromMenu);
        if (m_dPageSamples <= 0.0)
            return false;
        pageCount = int(m_dPageCount);
    }
    Draw(true);
    const bool printed = PrintPage(pageCount);
    {
        std::lock_guard lock(m_mutex);
        m_dPageSamples = m_dSamplesSincePage = page::NextPageStart(m_bAutoPrint, m_scale.pixelsPerSample);
    }
    Draw(false);
    return printed;
}

bool CScopeTrack::PrintPage(int pageCount)
{
    CPrinterSettings printer;
    printer.CopyDefaultPrinter();
    if (!theApp.m_strPrinterUsed.empty()) {
        printer.SetPrinterDevice(theApp.m_strPrinterUsed);
        printer.SetThisPrinter();
    }
    const std::unique_ptr<QPrinter> device = CreatePrinterDC();
    if (!device)
        return false;
    page::Texts texts;
    texts.logName = theApp.m_pHeaderRecord->LogName;
    texts.date = page::DateText(std::time(nullptr));
    const char* fileName = theApp.m_pPathSettings->FileName;
    texts.fileName.assign(fileName, strnlen(fileName, sizeof theApp.m_pPathSettings->FileName));
    texts.pageCount = pageCount;
    QPainter painter;
    if (!StartDoc(*device, painter, page::JobName(pageCount)))
        return false;
    page::DrawPage(painter, device->resolution(), m_printImage, texts);
    return painter.end();
}

void CScopeTrack::PrintDuePages()
{
    for (;;) {
        DuePage due;
        {
            std::lock_guard lock(m_mutex);
            if (m_duePages.empty())
                return;
            due = std::move(m_duePages.front());
            m_duePages.pop_front();
        }
        RenderPage(*due.picture, due.samples);
        PrintPage(due.number);
    }
}

int CScopeTrack::ToggleAutoPrint(bool stop)
{
    bool printLastPart = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_bAutoPrint) {
            if (stop)
                return 0;
            m_dSamplesSincePage = m_pChannels[0].count;
            m_dPageSamples = m_dSamplesSincePage;
            m_dPageCount = 0.0;
            m_bAutoPrint = true;
            return 1;
        }
        m_bAutoPrint = false;
        if (stop) {
            m_dPageCount += 1.0;
            m_dPageSamples = m_dSamplesSincePage;
            printLastPart = true;
        }
    }
    if (printLastPart) {
        PrintDuePages();
        Print(false);
    }
    return 0;
}

bool CScopeTrack::IsAutoPrintOn() const
{
    std::lock_guard lock(m_mutex);
    return m_bAutoPrint;
}

double CScopeTrack::PageCount() const
{
    std::lock_guard lock(m_mutex);
    return m_dPageCount;
}
