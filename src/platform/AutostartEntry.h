#pragma once

#include <QString>

#include <optional>

// Whether the desktop starts the program when the user logs in.
class AutostartEntry {
public:
    virtual ~AutostartEntry() = default;

    virtual bool isEnabled() const = 0;
    // Why the change could not be made, or nothing.
    virtual std::optional<QString> setEnabled(bool enabled) = 0;
};
