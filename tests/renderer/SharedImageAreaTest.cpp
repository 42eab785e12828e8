#include "renderer/SharedImageArea.h"
#include "renderer/RendererProtocol.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

namespace {

using RendererProtocol::imageAnswer;
using RendererProtocol::imageFields;

// The renderer's side and the program's side of one area hold one image at a time; what
// does not fit, or comes while the last is still there, is left to the pipe; fields that do
// not describe an image within the area are refused and free the area all the same.
TEST(SharedImageArea, CarriesOneImageAtATimeAndRefusesWhatDoesNotMatchIt) {
    QImage page(40, 30, QImage::Format_RGB32);
    page.fill(qRgb(200, 10, 10));
    page.setPixel(39, 29, qRgb(1, 2, 3));
    // Both sides map one memfd, as the program and the renderer do.
    const int fd = ::memfd_create("test-page-images", MFD_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, SharedImageArea::kBytes), 0);
    SharedImageArea renderer = SharedImageArea::map(fd);
    SharedImageArea program = SharedImageArea::map(fd);
    ::close(fd);
    ASSERT_TRUE(renderer.isValid() && program.isValid());

    EXPECT_FALSE(program.take(imageFields(page))); // nothing waits there yet
    ASSERT_TRUE(renderer.put(page));
    EXPECT_FALSE(renderer.put(page)); // the first is not taken yet
    const std::optional<QByteArray> payload = program.take(imageFields(page));
    ASSERT_TRUE(payload);
    const std::optional<QImage> image = imageAnswer(*payload);
    ASSERT_TRUE(image);
    EXPECT_EQ(*image, page);

    // An image larger than the area, and fields claiming one.
    const QImage wider(4096, 2049, QImage::Format_RGB32);
    EXPECT_FALSE(renderer.put(wider));
    for (const QByteArray& fields :
         {imageFields(wider), QByteArray("xx"), imageFields(page) + QByteArray(1, 'x'),
          imageFields(QImage(40, 30, QImage::Format_ARGB32))}) {
        ASSERT_TRUE(renderer.put(page));
        EXPECT_FALSE(program.take(fields)) << fields.toHex().toStdString();
    }
    EXPECT_TRUE(renderer.put(page));
}

} // namespace
