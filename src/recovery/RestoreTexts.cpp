#include "recovery/RestoreTexts.h"

#include "backup/BackupFileName.h"
#include "backup/StoreRestore.h"
#include "model/ClientReminderMessage.h"

#include <QFileInfo>

namespace RestoreTexts {

QString dateTime(const QDateTime& local, const QLocale& locale) {
    return locale.toString(local.date(), ClientReminderMessage::longDateFormat(locale)) +
           QStringLiteral(", ") + locale.toString(local.time(), QLocale::ShortFormat);
}

QString dateOf(const QString& path, const QTimeZone& zone, const QLocale& locale) {
    const QFileInfo file(path);
    if (const std::optional<QDateTime> named = BackupFileName::localTimeOf(file.fileName())) {
        return dateTime(*named, locale);
    }
    return dateTime(file.lastModified().toTimeZone(zone), locale);
}

QString policies(qint64 count, const QLocale& locale) {
    return locale.toString(count) +
           (count == 1 ? QStringLiteral(" polizza") : QStringLiteral(" polizze"));
}

QString contacts(qint64 count, const QLocale& locale) {
    return locale.toString(count) +
           (count == 1 ? QStringLiteral(" contatto") : QStringLiteral(" contatti"));
}

QString refusal(const StoreFileReport& report) {
    using Problem = StoreFileReport::Problem;
    switch (report.problem) {
    case Problem::None:
        return QString();
    case Problem::Unreadable:
        return QStringLiteral("il file non si può leggere.");
    case Problem::NotAFile:
        return QStringLiteral("non è un file.");
    case Problem::Empty:
        return QStringLiteral("il file è vuoto.");
    case Problem::NotAStore:
        return QStringLiteral("il file non è un archivio di Quintaver Scheduler.");
    case Problem::AnotherProgram:
        return QStringLiteral("il file è l'archivio di un altro programma.");
    case Problem::NewerVersion:
        return QStringLiteral("il file è stato scritto da una versione più recente di Quintaver "
                              "Scheduler; aggiorna il programma per ripristinarlo.");
    case Problem::Damaged:
        return QStringLiteral("il file è danneggiato (incompleto, o non supera il controllo "
                              "d'integrità).");
    case Problem::Stopped:
        return QStringLiteral("il controllo è stato interrotto.");
    }
    return QString();
}

Confirmation::Question question(const QString& date, const StoreFileReport& backup,
                                qint64 policiesNow, qint64 contactsNow, const QLocale& locale) {
    return {.title = QStringLiteral("Ripristinare il backup?"),
            .message =
                QStringLiteral("Il backup del %1 contiene %2 e %3; ora ne hai %4 e %5. Lo "
                               "stato attuale viene salvato come backup prima del "
                               "ripristino.")
                    .arg(date, policies(backup.policies, locale), contacts(backup.contacts, locale),
                         locale.toString(policiesNow), locale.toString(contactsNow)),
            .confirmText = QStringLiteral("Ripristina"),
            .cancelText = QStringLiteral("Annulla"),
            .destructive = true};
}

QString restored(const QString& date, const RestoreOutcome& outcome, const QLocale& locale) {
    QString text = QStringLiteral("Ripristinato il backup del %1: %2 e %3.")
                       .arg(date, policies(outcome.contents.policies, locale),
                            contacts(outcome.contents.contacts, locale));
    if (!outcome.backupOfPrevious.isEmpty()) {
        text += QStringLiteral(" Lo stato precedente è nel backup %1.")
                    .arg(QFileInfo(outcome.backupOfPrevious).fileName());
    }
    if (!outcome.movedAside.isEmpty()) {
        text += QStringLiteral(" L'archivio che non si apriva è conservato come %1.")
                    .arg(outcome.movedAside);
    }
    return text;
}

} // namespace RestoreTexts
