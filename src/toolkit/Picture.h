#pragma once
#include <QImage>
#include <string>

#include "platform/Types.h"

class QPainter;

// An image file (the program folder's logo) held in memory and drawn into a
// rectangle. Failures are told in a "CPicture Error" message box.
class CPicture {
public:
    CPicture() = default;
    virtual ~CPicture() = default;

    // Non-zero when the file was read and holds a picture. Afterwards the
    // size fields are in pixels at 96 dots per inch.
    BOOL Load(const std::string& path);
    // Non-zero when the bytes hold a picture. The bytes are not kept.
    BOOL LoadFromBuffer(const BYTE* buffer, int size);
    // Scaled into the rectangle; 1 when drawn.
    BOOL Draw(QPainter* dc, const RECT& rect);
    // 1 and the size in the device's pixels in m_Height and m_Width; a
    // printer counts 96 pixels per inch. 0 and zeros without a picture or dc.
    BOOL GetSize(QPainter* dc);

    bool HasPicture() const { return !m_Picture.isNull(); }
    // The picture's size in 0.01 mm, as the image service reports it.
    LONG HimetricWidth() const;
    LONG HimetricHeight() const;

    LONG m_Height = 0;
    // Bytes of the file that Load opened, 0 when it could not be opened:
    // callers test it to know whether a logo is present.
    LONG m_Length = 0;
    LONG m_Width = 0;

private:
    void Free();

    QImage m_Picture;
};
