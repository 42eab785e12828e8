#include "transfer/ImportResult.h"

#include "transfer/CsvWriter.h"

QString ImportResult::counted(qint64 count, const QString& one, const QString& many) {
    return QLocale(QLocale::Italian, QLocale::Italy).toString(count) + u' ' +
           (count == 1 ? one : many);
}

QString ImportResult::summary() const {
    QString text =
        (policiesImported == 1 ? QStringLiteral("Importata ") : QStringLiteral("Importate ")) +
        counted(policiesImported, QStringLiteral("polizza"), QStringLiteral("polizze")) +
        QStringLiteral(" e ") +
        counted(contactsCreated, QStringLiteral("contatto"), QStringLiteral("contatti")) +
        QStringLiteral("; ") +
        counted(qint64(skipped.size()), QStringLiteral("riga saltata"),
                QStringLiteral("righe saltate"));
    if (policiesUpdated > 0) {
        text +=
            QStringLiteral("; ") + counted(policiesUpdated, QStringLiteral("polizza aggiornata"),
                                           QStringLiteral("polizze aggiornate"));
    }
    if (!adjusted.empty()) {
        text +=
            QStringLiteral("; ") + counted(qint64(adjusted.size()), QStringLiteral("riga corretta"),
                                           QStringLiteral("righe corrette"));
    }
    return text;
}

bool ImportResult::writeSkippedRows(const QString& path, const QLocale& locale,
                                    QString* error) const {
    CsvWriter writer(path, locale);
    if (!writer.open(error)) {
        return false;
    }
    writer.writeRow({QStringLiteral("Riga"), QStringLiteral("Motivo"), QStringLiteral("Testo")});
    for (const Skipped& row : skipped) {
        writer.writeRow({QString::number(row.line), row.reason, row.text});
    }
    return writer.commit(error);
}
