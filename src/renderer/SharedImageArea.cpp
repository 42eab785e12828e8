#include "renderer/SharedImageArea.h"

#include "renderer/RendererProtocol.h"

#include <atomic>
#include <cstring>
#include <sys/mman.h>
#include <utility>

namespace {

// The area's first word: 1 while an image waits there for the program.
std::atomic_ref<quint32> flag(uchar* base) {
    return std::atomic_ref<quint32>(*reinterpret_cast<quint32*>(base));
}

} // namespace

SharedImageArea SharedImageArea::map(int fd) {
    SharedImageArea area;
    void* base = ::mmap(nullptr, size_t(kBytes), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base != MAP_FAILED) {
        area.m_base = static_cast<uchar*>(base);
    }
    return area;
}

SharedImageArea::SharedImageArea(SharedImageArea&& other) noexcept
    : m_base(std::exchange(other.m_base, nullptr)) {}

SharedImageArea& SharedImageArea::operator=(SharedImageArea&& other) noexcept {
    std::swap(m_base, other.m_base);
    return *this;
}

SharedImageArea::~SharedImageArea() {
    if (m_base) {
        ::munmap(m_base, size_t(kBytes));
    }
}

bool SharedImageArea::put(const QImage& image) {
    if (!isValid() || image.sizeInBytes() > kBytes - kImageOffset ||
        flag(m_base).load(std::memory_order_acquire) != 0) {
        return false;
    }
    std::memcpy(m_base + kImageOffset, image.constBits(), size_t(image.sizeInBytes()));
    flag(m_base).store(1, std::memory_order_release);
    return true;
}

std::optional<QByteArray> SharedImageArea::take(const QByteArray& fields) {
    if (!isValid() || flag(m_base).load(std::memory_order_acquire) != 1) {
        return std::nullopt;
    }
    // The fields say how large the image is; checked like any Image answer, against the
    // area's size before a byte is copied.
    const std::optional<qint64> bytes = RendererProtocol::imageBytes(fields);
    std::optional<QByteArray> payload;
    if (bytes && *bytes <= kBytes - kImageOffset) {
        payload = fields;
        payload->append(reinterpret_cast<const char*>(m_base + kImageOffset), qsizetype(*bytes));
    }
    flag(m_base).store(0, std::memory_order_release);
    return payload;
}
