#pragma once

#include <QObject>
#include <QString>

#include <memory>

class LogChannel;
class ProgressPanel;
class QTimer;
class QWidget;
class TaskControl;
class TextLabel;

// A sheet's work beside the window: the progress panel that follows the task's control (shown
// past half a second, with "Annulla"), and the red line that says why the work failed. The
// sheet places both above its buttons; one task runs at a time.
class SheetTask final : public QObject {
    Q_OBJECT
public:
    // `working` is what the panel says the task does; `statusName` names the failure line.
    SheetTask(QWidget* sheet, QString working, const QString& statusName);

    ProgressPanel& progress() const { return *m_progress; }
    TextLabel& status() const { return *m_status; }
    bool isRunning() const { return m_control != nullptr; }

    // Follows a new task and returns the control to hand to its worker.
    std::shared_ptr<TaskControl> begin();
    // The task came back: true when it was not stopped.
    bool end();
    // Writes "<prefix><error>" to the log and shows it under the sheet.
    void fail(LogChannel& log, const QString& prefix, const QString& error);
    // Stops the task that runs, if any.
    void cancel();

private:
    QString m_working;
    ProgressPanel* m_progress;
    TextLabel* m_status;
    QTimer* m_timer;
    std::shared_ptr<TaskControl> m_control;
};
