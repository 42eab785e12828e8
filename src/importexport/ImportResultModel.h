#pragma once

#include "transfer/ImportResult.h"

#include <QAbstractTableModel>

// The rows an import left out, then those it changed to fit: line, what became of it, why,
// and the row's text as the file had it.
class ImportResultModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ImportResultModel(QObject* parent = nullptr);

    void setResult(const ImportResult& result);
    // The skipped rows as tab-separated lines under a header, as spreadsheets paste them.
    QString skippedRowsText() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Line {
        qint64 line = 0;
        bool skipped = true;
        QString reason;
        QString text;
    };
    std::vector<Line> m_lines;
};
