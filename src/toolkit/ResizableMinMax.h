#pragma once
#include <QSize>

// The size limits of a resizable window. The program sets only the minimum.
class CResizableMinMax {
public:
    virtual ~CResizableMinMax() = default;

    void SetMinTrackSize(QSize size)
    {
        m_bUseMinTrack = true;
        m_ptMinTrackSize = size;
    }

protected:
    bool m_bUseMinTrack = false;
    QSize m_ptMinTrackSize;
};
