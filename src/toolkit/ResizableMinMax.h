#pragma once
#include <QSize>
#include <QWidget>

// The size limits of a resizable window. The program sets only the minimum.
class CResizableMinMax {
public:
    virtual ~CResizableMinMax() = default;

    void SetMinTrackSize(QSize size)
    {
        m_bUseMinTrack = true;
        m_ptMinTrackSize = size;
    }

    // Sets the window's limits from the ones set here; the others keep
    // what the window has.
    void ApplyMinMax(QWidget* window) const
    {
        if (m_bUseMinTrack)
            window->setMinimumSize(m_ptMinTrackSize);
    }

protected:
    bool m_bUseMinTrack = false;
    QSize m_ptMinTrackSize;
};
