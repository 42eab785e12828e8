#pragma once

#include "ui/RowDelegate.h"

// One row of the contact list: the initials in a round avatar, the full name over the
// company, and on the right how many policies the contact holds.
class ContactListRow final : public RowDelegate {
    Q_OBJECT
public:
    // Padding 10 around a 36-point avatar, inside insets of 4 above and below.
    static constexpr int kRowHeight = 4 + 10 + 36 + 10 + 4;

    explicit ContactListRow(QObject* parent = nullptr);
};
