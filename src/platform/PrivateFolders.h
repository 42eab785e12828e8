#pragma once

#include <QString>

#include <optional>

// Creates the folder and any missing folder above it, each private (0700) from the start, as
// the XDG base directory specification asks. A folder that exists, or that another process
// makes meanwhile, keeps the mode it has. Why it failed, or nothing.
std::optional<QString> makePrivateFolders(const QString& folder);
