#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// Memory the program shares with the renderer, through which a page's image comes back
// without being pushed through the pipe: a flag word, then room for one image. The renderer
// puts an image there only while the flag says the area is free, and sets it; the program
// copies the image out when the answer that announces it comes, and clears it. An image that
// does not fit, or comes while the last one is still there, goes through the pipe.
//
// The renderer may be running a hostile document, so the program trusts nothing of the
// area but its own size: an answer that does not match it is refused.
class SharedImageArea final {
public:
    // The area the program makes for each renderer, room for a page the size of a screen.
    static constexpr qsizetype kBytes = qsizetype(32) << 20;

    SharedImageArea() = default;
    // The area held by `fd` (kBytes long), mapped on each side for as long as this lives;
    // none when it cannot be mapped. The descriptor is the caller's still.
    static SharedImageArea map(int fd);
    SharedImageArea(SharedImageArea&& other) noexcept;
    SharedImageArea& operator=(SharedImageArea&& other) noexcept;
    SharedImageArea(const SharedImageArea&) = delete;
    SharedImageArea& operator=(const SharedImageArea&) = delete;
    ~SharedImageArea();

    bool isValid() const { return m_base != nullptr; }
    // Renderer: the image put in the area, if it fits and the area is free.
    bool put(const QImage& image);
    // Program: the payload of an Image answer (see imageFields) for the SharedImage answer
    // whose payload is `fields`, copied out of the area, which is free again. Nothing for
    // fields that do not describe an image within the area, or an area not filled.
    std::optional<QByteArray> take(const QByteArray& fields);

private:
    static constexpr qsizetype kImageOffset = 64;

    uchar* m_base = nullptr;
};
