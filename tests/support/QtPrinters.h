#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

// GoogleTest prints Qt strings as text, not as arrays of bytes, when an assertion fails.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '[';
    for (const QString& text : texts) {
        PrintTo(text, out);
        *out << (&text == &texts.back() ? "" : ", ");
    }
    *out << ']';
}
