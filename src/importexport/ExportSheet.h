#pragma once

#include "ui/EditorSheet.h"

#include <functional>
#include <memory>
#include <vector>

class Clock;
class LogChannel;
class ManagedObjectContext;
class Policy;
class ProgressPanel;
class SegmentedControl;
class SheetTask;
class QToolButton;
class TextLabel;

// The export sheet: the whole book or only the policies the list shows now, as CSV or as an
// Excel workbook, to a file the user names. The rows are gathered here; the file is written
// beside the window, with a progress bar and "Annulla" past half a second. A file that could
// not be written is said, and none is left half written.
class ExportSheet final : public EditorSheet {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        const Clock& clock;
        LogChannel& log;
        // The policies the list shows now, in its order.
        std::function<std::vector<std::shared_ptr<Policy>>()> shownPolicies;
    };
    enum class Scope { Book, Shown };
    enum class Format { Csv, Xlsx };

    explicit ExportSheet(Services services, QWidget* parent = nullptr);
    ~ExportSheet() override;

    bool hasChanges() const override { return false; }
    // Stops what runs, unless the save has begun, which finishes first.
    void reject() override;
    void setScope(Scope scope);
    void setFormat(Format format);
    // Writes the chosen rows to `path`, as the file dialog's answer does.
    void exportTo(const QString& path);
    ProgressPanel& progress() const;

Q_SIGNALS:
    // The file is written; the sheet closes.
    void exported(const QString& path, int rows);

protected:
    bool save() override;

private:
    void showCounts();

    Services m_services;
    Scope m_scope = Scope::Book;
    Format m_format = Format::Csv;
    SegmentedControl* m_scopeControl = nullptr;
    SegmentedControl* m_formatControl = nullptr;
    QToolButton* m_shownSegment = nullptr;
    TextLabel* m_formatHint = nullptr;
    SheetTask* m_task = nullptr;
};
