#pragma once

#include "documents/DocumentRenderer.h"

// The freshly built document renderer, with watchdogs short enough for tests and still far
// above what an ordinary document takes under the sanitisers, and a small pixel bound, so that
// an extreme page is scaled down without a large image.
namespace TestRenderer {

inline QString executable() {
    return QStringLiteral(QS_PDF_RENDERER);
}

inline DocumentRenderer::Limits limits() {
    DocumentRenderer::Limits limits;
    limits.loadTimeoutMs = 3000;
    limits.pageTimeoutMs = 3000;
    limits.cancelGraceMs = 300;
    limits.maximumPixels = 4'000'000;
    return limits;
}

} // namespace TestRenderer
