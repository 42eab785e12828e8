#pragma once

// How the renderer ends, as its exit status tells the program.
namespace RendererExit {
constexpr int kDone = 0; // the program closed the pipe
constexpr int kBadArguments = 2;
constexpr int kOutOfMemory = 3; // an allocation failed within its memory bound
constexpr int kNoSandbox = 4;   // the kernel refused the filter: it does not run unconfined
constexpr int kNoPdf = 5;       // the PDF library did not start
} // namespace RendererExit
