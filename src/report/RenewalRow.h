#pragma once

#include "platform/Instant.h"

#include <QString>

#include <optional>

// One policy of the renewal report as plain values, copied from the store on its thread so
// that the report can be laid out and written on another.
struct RenewalRow {
    QString name;
    QString number;
    QString provider;
    Instant expiry;
    // The client's full name; empty without a client.
    QString client;
    // The client's phone, or the one written on the policy when the client has none.
    QString phone;
    QString email;
    // When the last reminder of this policy was shown.
    std::optional<Instant> lastNotified;
};
