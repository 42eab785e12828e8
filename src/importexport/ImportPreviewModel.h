#pragma once

#include "transfer/ImportSession.h"

#include <QAbstractTableModel>

// The import sheet's preview: the first rows of the file under the header, each with its line
// number and what the import would do with it ("Esito") before the file's columns. A column's
// header is the file's own with, below it, the field it fills; rows that would be refused or
// changed to fit are tinted and say why.
class ImportPreviewModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ImportPreviewModel(const ImportSession& session, QObject* parent = nullptr);

    // Reads the session's state again.
    void refresh();
    // The file's column shown at a model column; -1 for the line and the verdict.
    qsizetype fileColumn(int column) const;
    int modelColumn(qsizetype fileColumn) const { return int(fileColumn) + 2; }
    const ImportSession::PreviewRow& previewRow(int row) const { return m_rows[size_t(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // "Rifiutata: Numero polizza mancante", "Corretta: ...", "Importata"; empty for a blank row.
    static QString verdictText(const ImportSession::PreviewRow& row);

private:
    const ImportSession& m_session;
    std::vector<ImportSession::PreviewRow> m_rows;
    QStringList m_headers;
    ColumnMap m_columns;
};
