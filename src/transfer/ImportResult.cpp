#include "transfer/ImportResult.h"

#include "transfer/CsvWriter.h"

QString ImportResult::summary() const {
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    QString text = QStringLiteral("Importate %1 polizze e %2 contatti; %3 righe saltate")
                       .arg(italian.toString(policiesImported), italian.toString(contactsCreated),
                            italian.toString(qint64(skipped.size())));
    if (policiesUpdated > 0) {
        text += QStringLiteral("; %1 polizze aggiornate").arg(italian.toString(policiesUpdated));
    }
    if (!adjusted.empty()) {
        text +=
            QStringLiteral("; %1 righe corrette").arg(italian.toString(qint64(adjusted.size())));
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
