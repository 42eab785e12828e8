#pragma once

#include <QString>

// The letters in a contact's avatar: the first character of the first name and of the last
// name as a reader sees them (a whole grapheme: a letter with its combining accents, an emoji
// sequence), each absent when its name is empty, then upper-cased.
namespace ContactInitials {

QString of(const QString& firstName, const QString& lastName);

} // namespace ContactInitials
