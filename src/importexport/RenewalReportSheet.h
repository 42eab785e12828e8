#pragma once

#include "report/RenewalRange.h"
#include "ui/EditorSheet.h"

#include <QDate>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class LogChannel;
class ManagedObjectContext;
class ProgressPanel;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QPrinter;
class SheetTask;
class TaskControl;
struct RenewalReportContent;

// The renewal report sheet: the days to cover (the next 30, 60 or 90, this month, next month,
// or two dates of the user's choosing), whether to add the policies already expired, then
// "Salva PDF..." to a file the user names or "Stampa..." through the desktop's print dialog.
// The rows are read from the store here; the pages are made beside the window, with a progress
// bar and "Annulla" past half a second. A file or printer that refuses is said in the sheet and
// the log, and no half-written file is left under the chosen name.
class RenewalReportSheet final : public EditorSheet {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        const Clock& clock;
        LogChannel& log;
        // The agency's line at the top of the report; none when empty.
        QString heading;
    };
    // The picker's entries, in order.
    enum class Choice { Next30Days, Next60Days, Next90Days, ThisMonth, NextMonth, ChosenDates };

    explicit RenewalReportSheet(Services services, QWidget* parent = nullptr);
    ~RenewalReportSheet() override;

    bool hasChanges() const override { return false; }
    // Stops what runs; nothing is left written.
    void reject() override;
    // A preset puts its days in the date fields; ChosenDates leaves them as they are.
    void setChoice(Choice choice);
    // The two dates, as the user picks them (the choice becomes ChosenDates).
    void setDates(QDate first, QDate last);
    void setIncludeExpired(bool include);
    RenewalRange range() const;
    // Writes the report to `path`, as the save dialog's answer does.
    void saveTo(const QString& path);
    // Prints the report on `printer`, as the print dialog's answer does.
    void printOn(const std::shared_ptr<QPrinter>& printer);
    ProgressPanel& progress() const;

Q_SIGNALS:
    // The file is written, or the pages sent to the printer; the sheet closes.
    void saved(const QString& path, int policies);
    void printed(int policies);

protected:
    bool save() override;

private:
    void showRange();
    void openPrintDialog();
    RenewalReportContent content() const;
    // Runs `work` beside the window; `finished` hears the outcome unless it was stopped.
    void run(std::function<std::optional<QString>(RenewalReportContent&, TaskControl*)> work,
             const QString& failurePrefix, std::function<void(int policies)> finished);

    Services m_services;
    QComboBox* m_choice = nullptr;
    QDateEdit* m_first = nullptr;
    QDateEdit* m_last = nullptr;
    QCheckBox* m_includeExpired = nullptr;
    QPushButton* m_print = nullptr;
    SheetTask* m_task = nullptr;
};
