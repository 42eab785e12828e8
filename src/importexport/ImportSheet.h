#pragma once

#include "transfer/ImportSession.h"
#include "ui/EditorSheet.h"

class ImportPreviewModel;
class ImportResultModel;
class ProgressPanel;
class QCheckBox;
class QComboBox;
class QLabel;
class QTableView;
class SegmentedControl;
class TextLabel;

// The import sheet: a file the user picked, read with what was detected (format, encoding,
// delimiter, header row, each column's field) and everything changeable; a preview of the
// first rows marking those that would be refused and why; the choices for dates, unknown
// renewal cycles and policy numbers already stored. "Importa" writes every accepted row in
// one save and schedules the reminders; the sheet then shows what was done and the rows left
// out, which can be copied or saved as CSV. Reading and checking run beside the window; past
// half a second a progress bar with "Annulla" shows.
class ImportSheet final : public EditorSheet {
    Q_OBJECT
public:
    using Services = ImportSession::Services;

    ImportSheet(const Services& services, const QString& path, QWidget* parent = nullptr);
    ~ImportSheet() override;

    ImportSession& session() { return *m_session; }
    ProgressPanel& progress() const { return *m_progress; }
    // Nothing the user typed is lost by closing it before "Importa".
    bool hasChanges() const override { return false; }
    // Stops what runs, unless the save has begun, which finishes first.
    void reject() override;
    // The menu of fields for a column of the file, as a click on its header opens it.
    void openFieldMenu(qsizetype fileColumn);

Q_SIGNALS:
    // The import saved: how many policies it wrote and updated.
    void imported(const ImportResult& result);

protected:
    bool save() override;

private:
    QWidget* buildFileCard();
    QWidget* buildColumnsCard();
    QWidget* buildOptionsCard();
    QWidget* buildResultCard();
    void showSession();
    void showColumnPicker();
    void onPhase(ImportSession::Phase phase);
    void onProgress(ImportSession::Phase phase, qint64 done, qint64 total);
    void onFinished(const ImportResult& result);
    void saveSkippedRows();
    qsizetype currentFileColumn() const;

    Services m_services;
    ImportSession* m_session;
    ImportPreviewModel* m_preview = nullptr;
    ImportResultModel* m_resultRows = nullptr;
    ImportResult m_result;
    bool m_cancelling = false;
    bool m_done = false;

    TextLabel* m_fileName = nullptr;
    TextLabel* m_detected = nullptr;
    TextLabel* m_error = nullptr;
    QComboBox* m_encoding = nullptr;
    QComboBox* m_delimiter = nullptr;
    QComboBox* m_sheet = nullptr;
    QWidget* m_sheetBlock = nullptr;
    QWidget* m_textBlocks = nullptr;
    QCheckBox* m_header = nullptr;
    QTableView* m_table = nullptr;
    QComboBox* m_field = nullptr;
    TextLabel* m_fieldColumn = nullptr;
    TextLabel* m_counts = nullptr;
    TextLabel* m_dates = nullptr;
    SegmentedControl* m_dateOrder = nullptr;
    QComboBox* m_unknownCycle = nullptr;
    SegmentedControl* m_duplicates = nullptr;
    ProgressPanel* m_progress = nullptr;
    TextLabel* m_status = nullptr;
    QList<QWidget*> m_inputSections;
    QWidget* m_resultSection = nullptr;
    TextLabel* m_summary = nullptr;
    TextLabel* m_reminders = nullptr;
    QWidget* m_resultRowsBlock = nullptr;
};
