#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

#include "platform/MessageBox.h"
#include "toolkit/Picture.h"

namespace {

// The message boxes shown, answered at once.
class Messages {
public:
    struct Box {
        std::string text;
        std::string caption;
        UINT type;
    };
    Messages()
    {
        SetMessageBoxHandler([this](const std::string& text, const std::string& caption, UINT type) {
            shown.push_back({text, caption, type});
            return IDOK;
        });
    }
    ~Messages() { SetMessageBoxHandler(nullptr); }
    std::vector<Box> shown;
};

// A JPEG of 96 x 48 pixels: 25.4 by 12.7 mm at 96 dots per inch. Red on
// top, blue below, so upside down shows.
QByteArray JpegBytes()
{
    QImage image(96, 48, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, 96, 24, Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 95);
    return bytes;
}

class PictureTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const QByteArray& bytes)
    {
        const std::string path = folder.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
        return path;
    }

    QTemporaryDir folder;
    Messages messages;
    CPicture picture;
};

TEST_F(PictureTest, LoadReportsWhatTheFileHeld)
{
    const QByteArray jpeg = JpegBytes();
    struct Row {
        const char* what;
        QByteArray bytes;
        BOOL result;
        LONG width, height;
    };
    const Row rows[] = {
        {"a JPEG", jpeg, TRUE, 96, 48},
        {"text, not a picture", QByteArray("not a picture at all"), FALSE, 0, 0},
        {"a cut JPEG header", jpeg.left(20), FALSE, 0, 0},
        {"an empty file", QByteArray(), FALSE, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string path = Write("picture.jpg", row.bytes);
        EXPECT_EQ(row.result, picture.Load(path));
        EXPECT_EQ(row.bytes.size(), picture.m_Length);
        EXPECT_EQ(row.width, picture.m_Width);
        EXPECT_EQ(row.height, picture.m_Height);
        EXPECT_EQ(bool(row.result), picture.HasPicture());
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PictureTest, MissingFileIsToldAndReleasesTheFormerPicture)
{
    ASSERT_TRUE(picture.Load(Write("logo.jpg", JpegBytes())));
    const std::string missing = folder.filePath("missing.jpg").toStdString();
    EXPECT_FALSE(picture.Load(missing));
    EXPECT_FALSE(picture.HasPicture());
    EXPECT_EQ(0, picture.m_Length);
    EXPECT_EQ(0, picture.m_Width);
    EXPECT_EQ(0, picture.m_Height);
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ("CPicture Error", messages.shown[0].caption);
    EXPECT_EQ(MB_ICONSTOP, messages.shown[0].type & 0xF0);
    EXPECT_NE(std::string::npos, messages.shown[0].text.find(missing));
    EXPECT_NE(std::string::npos, messages.shown[0].text.find("No such file"));
    EXPECT_LE(messages.shown[0].text.size(), 255u);
}

TEST_F(PictureTest, LoadFromBufferIsTrueOnlyForAPicture)
{
    const QByteArray jpeg = JpegBytes();
    const auto* bytes = reinterpret_cast<const BYTE*>(jpeg.constData());
    EXPECT_TRUE(picture.LoadFromBuffer(bytes, int(jpeg.size())));
    EXPECT_EQ(2540, picture.HimetricWidth());
    EXPECT_EQ(1270, picture.HimetricHeight());
    EXPECT_FALSE(picture.LoadFromBuffer(bytes, 10));
    EXPECT_FALSE(picture.HasPicture());
    EXPECT_FALSE(picture.LoadFromBuffer(bytes, 0));
    EXPECT_FALSE(picture.LoadFromBuffer(nullptr, 100));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PictureTest, SizeInTheDevicesPixelsAndNinetySixForPrinters)
{
    const QByteArray jpeg = JpegBytes();
    ASSERT_TRUE(picture.LoadFromBuffer(reinterpret_cast<const BYTE*>(jpeg.constData()), int(jpeg.size())));
    struct Row {
        const char* what;
        int dpi;
        LONG width, height;
    };
    const Row rows[] = {{"96 dpi", 96, 96, 48}, {"192 dpi", 192, 192, 96}, {"120 dpi", 120, 120, 60}, {"72 dpi", 72, 72, 36}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QImage device(10, 10, QImage::Format_RGB32);
        device.setDotsPerMeterX(qRound(row.dpi / 0.0254));
        device.setDotsPerMeterY(qRound(row.dpi / 0.0254));
        QPainter dc(&device);
        EXPECT_TRUE(picture.GetSize(&dc));
        EXPECT_EQ(row.width, picture.m_Width);
        EXPECT_EQ(row.height, picture.m_Height);
    }

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath("page.pdf"));
    QPainter printing;
    ASSERT_TRUE(printing.begin(&printer));
    ASSERT_GT(printer.logicalDpiX(), 96);
    EXPECT_TRUE(picture.GetSize(&printing));
    EXPECT_EQ(96, picture.m_Width);
    EXPECT_EQ(48, picture.m_Height);
    printing.end();

    EXPECT_FALSE(picture.GetSize(nullptr));
    EXPECT_EQ(0, picture.m_Width);
    EXPECT_EQ(0, picture.m_Height);
}

TEST_F(PictureTest, DrawsUprightIntoTheRectangle)
{
    QImage target(200, 100, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter dc(&target);
    EXPECT_FALSE(picture.Draw(&dc, RECT{10, 10, 60, 60}));  // nothing loaded

    const QByteArray jpeg = JpegBytes();
    ASSERT_TRUE(picture.LoadFromBuffer(reinterpret_cast<const BYTE*>(jpeg.constData()), int(jpeg.size())));
    EXPECT_FALSE(picture.Draw(nullptr, RECT{10, 10, 60, 60}));
    EXPECT_TRUE(picture.Draw(&dc, RECT{20, 10, 180, 90}));
    dc.end();
    auto near = [](QColor c, QColor want) {
        return std::abs(c.red() - want.red()) < 40 && std::abs(c.green() - want.green()) < 40 &&
               std::abs(c.blue() - want.blue()) < 40;
    };
    EXPECT_TRUE(near(target.pixelColor(100, 20), Qt::red));   // top half
    EXPECT_TRUE(near(target.pixelColor(100, 80), Qt::blue));  // bottom half
    EXPECT_TRUE(near(target.pixelColor(22, 12), Qt::red));    // scaled to the corners
    EXPECT_TRUE(near(target.pixelColor(177, 87), Qt::blue));
    EXPECT_TRUE(near(target.pixelColor(18, 50), Qt::white));  // nothing outside
    EXPECT_TRUE(near(target.pixelColor(182, 50), Qt::white));
    EXPECT_TRUE(messages.shown.empty());

    QPainter idle;  // paints on nothing
    EXPECT_FALSE(picture.Draw(&idle, RECT{0, 0, 10, 10}));
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ("Can not allocate enough memory\t", messages.shown[0].text);
    EXPECT_EQ("CPicture Error", messages.shown[0].caption);
    EXPECT_EQ(MB_ICONSTOP, messages.shown[0].type & 0xF0);
}

TEST_F(PictureTest, TheProgramFolderHasItsLogo)
{
    EXPECT_TRUE(picture.Load(KVX_PROGRAM_DIR "/logo.jpg"));
    EXPECT_GT(picture.m_Length, 0);
    EXPECT_GT(picture.m_Width, picture.m_Height);
    EXPECT_GT(picture.m_Height, 0);
}

}  // namespace
