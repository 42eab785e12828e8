#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What an import did: the counts the sheet reports, the rows it left out with their reasons
// and texts, the rows it changed to fit, and how the reminders went.
struct ImportResult {
    struct Skipped {
        qint64 line = 0;
        QString reason;
        QString text;
    };
    struct Adjusted {
        qint64 line = 0;
        QStringList notes;
    };

    // Why nothing was saved (the store refused the save, or the user cancelled); the counts
    // below are then all zero and the rows are what would have been.
    std::optional<QString> error;
    int policiesImported = 0;
    int policiesUpdated = 0;
    int contactsCreated = 0;
    std::vector<Skipped> skipped;
    std::vector<Adjusted> adjusted;
    int remindersScheduled = 0;
    int remindersFailed = 0;

    // "Importate 1.234 polizze e 456 contatti; 12 righe saltate", with the updated policies
    // and adjusted rows when there are any; a count of one takes the singular.
    QString summary() const;
    // "1 riga saltata", "1.234 righe saltate": an Italian count agrees with its noun.
    static QString counted(qint64 count, const QString& one, const QString& many);

    // The skipped rows as CSV (line, reason, text), written as every export is.
    bool writeSkippedRows(const QString& path, const QLocale& locale, QString* error) const;
};
