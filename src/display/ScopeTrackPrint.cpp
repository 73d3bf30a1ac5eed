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

bool CScopeTrack::Print()
{
    Picture& picture = *m_pPicture;
    int pageCount = 0;
    {
        std::lock_guard lock(m_mutex);
        CopyPicture(picture, NewestRow(), PageRows());
        pageCount = int(m_dPageCount);
    }
    RenderPage(picture, PageRows());
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
        QueueLastPart();
    }
    PrintDuePages();
    return 0;
}

void CScopeTrack::PrintLastPart()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_bAutoPrint)
            return;
        QueueLastPart();
    }
    PrintDuePages();
}

void CScopeTrack::QueueLastPart()
{
    // Taken now: the rows drawn while the pages before it print are not the log's.
    const long long newest = m_nStoredRow >= 0 ? m_nStoredRow : NewestRow();
    const int rows = int(std::min<long long>(newest - m_nPageStart + 1, PageRows()));
    m_nPageStart = newest + 1;
    if (rows >= page::kShortestPagePixels)
        QueuePage(newest, rows);
}

void CScopeTrack::QueuePage(long long endRow, int rows)
{
    DuePage due;
    due.picture = std::make_unique<Picture>();
    CopyPicture(*due.picture, endRow, rows);
    due.rows = rows;
    m_dPageCount += 1.0;
    due.number = int(m_dPageCount);
    m_duePages.push_back(std::move(due));
}

void CScopeTrack::MarkStoredStep()
{
    std::lock_guard lock(m_mutex);
    // A record's pages start at its first stored step, not at a step drawn before it.
    if (m_nStoredRow < 0)
        m_nPageStart = std::max(m_nPageStart, m_nRowBeforeStep + 1);
    m_nStoredRow = NewestRow();
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
