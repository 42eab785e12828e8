#pragma once

#include <QString>
#include <QStringView>

// Texts as the import compares them: headers, words and names that people write in many ways.
namespace TextKey {

// Case folded, accents removed, every run of characters that are neither letters nor digits
// made one space, trimmed: "N. Polizza" and "n polizza", "Città" and "CITTA" read the same.
QString loose(QStringView text);

// Case folded and blanks collapsed, accents kept: how names and companies are matched.
QString name(QStringView text);

// The digits of a phone number, without an Italian country prefix (+39 or 0039), so that
// "+39 333 123 4567" and "333-1234567" are one number.
QString phone(QStringView text);

} // namespace TextKey
