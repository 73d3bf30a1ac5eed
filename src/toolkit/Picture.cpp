#include "toolkit/Picture.h"

#include <QFile>
#include <QPaintDevice>
#include <QPainter>

#include "platform/MessageBox.h"

namespace {

constexpr int kHimetricPerInch = 2540;
constexpr int kScreenDpi = 96;
constexpr size_t kMaxMessage = 255;

// a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c)
{
    long long n = static_cast<long long>(a) * b;
    long long d = c;
    if (d < 0) {
        n = -n;
        d = -d;
    }
    return static_cast<int>(n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d));
}

void ShowError(std::string text)
{
    if (text.size() > kMaxMessage)
        text.resize(kMaxMessage);
    MessageBoxWithCaption(text, "CPicture Error", MB_OK | MB_ICONSTOP);
}

bool IsPrinting(const QPaintDevice* device) { return device->devType() == QInternal::Printer; }

}  // namespace

void CPicture::Free()
{
    m_Picture = QImage();
    m_Height = m_Length = m_Width = 0;
}

LONG CPicture::HimetricWidth() const { return MulDiv(m_Picture.width(), kHimetricPerInch, kScreenDpi); }
LONG CPicture::HimetricHeight() const { return MulDiv(m_Picture.height(), kHimetricPerInch, kScreenDpi); }

BOOL CPicture::Load(const std::string& path)
{
    Free();
    QFile file(QString::fromLocal8Bit(path.c_str()));
    if (!file.open(QIODevice::ReadOnly)) {
        ShowError(path + ": " + file.errorString().toLocal8Bit().toStdString());
        return FALSE;
    }
    const QByteArray bytes = file.readAll();
    const bool read = file.error() == QFileDevice::NoError && bytes.size() == file.size();
    const BOOL created = LoadFromBuffer(reinterpret_cast<const BYTE*>(bytes.constData()), int(bytes.size()));
    m_Length = LONG(file.size());
    if (HasPicture()) {
        m_Height = MulDiv(HimetricHeight(), kScreenDpi, kHimetricPerInch);
        m_Width = MulDiv(HimetricWidth(), kScreenDpi, kHimetricPerInch);
    }
    return read && created;
}

BOOL CPicture::LoadFromBuffer(const BYTE* buffer, int size)
{
    m_Picture = QImage();
    if (buffer == nullptr || size <= 0)
        return FALSE;
    m_Picture.loadFromData(buffer, size);
    return HasPicture();
}

BOOL CPicture::Draw(QPainter* dc, const RECT& rect)
{
    if (dc == nullptr || !HasPicture())
        return FALSE;
    // A painter that is not painting on anything cannot render.
    if (!dc->isActive()) {
        ShowError("Can not allocate enough memory\t");
        return FALSE;
    }
    dc->drawImage(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top), m_Picture);
    return TRUE;
}

BOOL CPicture::GetSize(QPainter* dc)
{
    m_Height = m_Width = 0;
    if (dc == nullptr || dc->device() == nullptr || !HasPicture())
        return FALSE;
    const QPaintDevice* device = dc->device();
    const int dpiX = IsPrinting(device) ? kScreenDpi : device->logicalDpiX();
    const int dpiY = IsPrinting(device) ? kScreenDpi : device->logicalDpiY();
    m_Height = MulDiv(HimetricHeight(), dpiY, kHimetricPerInch);
    m_Width = MulDiv(HimetricWidth(), dpiX, kHimetricPerInch);
    return TRUE;
}
