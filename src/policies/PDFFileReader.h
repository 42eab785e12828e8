#pragma once

#include <QByteArray>
#include <QString>

// Reads a document the user picked or dropped, whole, for the policy editor. Only a regular
// file is read (a pipe or a device would block the program or never end), and one too large
// for the store to keep in a row is refused rather than read. The memory taken follows the
// file's size, not the maximum. It blocks while it reads: the editor calls it off the screens'
// thread.
class PDFFileReader final {
public:
    struct Result {
        QByteArray data;
        QString fileName; // the last component of the path, extension included
        QString error;    // empty when the file was read
    };

    // SQLite keeps a row of at most 1,000,000,000 bytes; the rest of a policy's values
    // (names, notes) keep this much room beside the document.
    static constexpr qint64 kRowHeadroom = qint64{16} * 1024 * 1024;
    static constexpr qint64 kMaximumSize = 1'000'000'000 - kRowHeadroom;

    static Result read(const QString& path, qint64 maximumSize = kMaximumSize);
};
