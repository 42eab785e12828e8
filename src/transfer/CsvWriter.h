#pragma once

#include <QLocale>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <optional>

// Writes a CSV file as spreadsheets expect to open it: UTF-8 with a byte-order mark, CRLF line
// ends, the delimiter of the user's locale (";" where decimals are written with a comma, ","
// otherwise), quotes as RFC 4180 has them, and every cell guarded against being read as a
// formula. The file appears whole or not at all.
class CsvWriter final {
public:
    CsvWriter(const QString& path, const QLocale& locale);

    static QChar delimiterFor(const QLocale& locale);

    // False, with `error` set, when the file cannot be made.
    bool open(QString* error);
    void writeRow(const QStringList& cells);
    // Puts the file in place; false, with `error` set, when any write failed.
    bool commit(QString* error);

private:
    void flush();

    QSaveFile m_file;
    QChar m_delimiter;
    QString m_pending;
};
