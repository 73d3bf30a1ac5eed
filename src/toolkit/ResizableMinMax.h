#pragma once
#include <QSize>
#include <QWidget>

// The size limits of a resizable window, as client sizes. The program sets
// only the minimum.
class CResizableMinMax {
public:
    virtual ~CResizableMinMax() = default;

    void SetMinTrackSize(QSize size)
    {
        m_bUseMinTrack = true;
        m_ptMinTrackSize = size;
    }

    // Sets the window's limits from the ones set here, with `nonClient` for
    // what the window holds beside its client area (a menu bar); the other
    // limits keep what the window has.
    void ApplyMinMax(QWidget* window, QSize nonClient) const
    {
        if (m_bUseMinTrack)
            window->setMinimumSize(m_ptMinTrackSize + nonClient);
    }

protected:
    bool m_bUseMinTrack = false;
    QSize m_ptMinTrackSize;
};
