#pragma once

#include <QString>

// Closes the renderer in, for the rest of its life and for every thread it has: once entered,
// it can read its requests, write its answers, use memory and threads, and nothing else. No
// file can be opened, no socket made, no process started, no memory made executable. Every
// other system call fails with EPERM, so a library that tries one sees an ordinary error.
class RendererSandbox final {
public:
    // False, with `error` set, when the kernel refuses the filter: the renderer must not run.
    static bool enter(int input, int output, QString* error);
};
