// Printing of the curve tracks: a page on request, or one page per page
// length of new data while auto print is on.
#include <QPainter>
#include <QPrinter>
#include <algorithm>
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
    Picture& picture = *m_pPicture;
    int rows = 0;
    int pageCount = 0;
    {
        std::lock_guard lock(m_mutex);
        const long long newest = NewestRow();
        // From the menu a full page; at a record's end what came after the last page's overlap.
        rows = fromMenu ? PageRows() : int(std::min<long long>(newest - m_nPageStart + 1, PageRows()));
        if (rows < page::kShortestPagePixels)
            return false;
        CopyPicture(picture, newest, rows);
        pageCount = int(m_dPageCount);
        if (m_bAutoPrint)
            m_nPageStart = NextPageStart(newest);
    }
    RenderPage(picture, rows);
    const bool printed = PrintPage(pageCount);
    Draw();
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
        RenderPage(*due.picture, due.rows);
        PrintPage(due.number);
    }
}

int CScopeTrack::ToggleAutoPrint(bool stop)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_bAutoPrint) {
            if (stop)
                return 0;
            // The first page holds what is there already, up to a page of it.
            m_nPageStart = std::max(track::SampleRow(0, m_scale.pixelsPerSample) + 1, NewestRow() - PageRows() + 1);
            m_dPageCount = 0.0;
            m_bAutoPrint = true;
            return 1;
        }
        m_bAutoPrint = false;
        if (!stop)
            return 0;
        m_dPageCount += 1.0;
    }
    // The pages that came due go first, the last part after them.
    PrintDuePages();
    Print(false);
    return 0;
}

int CScopeTrack::PageRows() const { return page::kPagePixels - m_nLegendHeight; }

long long CScopeTrack::NextPageStart(long long endRow) { return endRow - page::kOverlapPixels + 1; }

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
