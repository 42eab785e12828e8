#pragma once

// Whether the program runs as an installed application. Reminders are scheduled only then, so
// that a copy run from its build folder never leaves requests behind in the user's desktop.
class InstallationCheck {
public:
    virtual ~InstallationCheck() = default;
    // Made afresh at every call.
    virtual bool isInstalledApplication() const = 0;
};
