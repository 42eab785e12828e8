#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// How far a long task has come, with "Annulla" to stop it. It appears only when the task is
// still running half a second after begin(), so quick work never flashes it; end() hides it.
class ProgressPanel final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDelayMs = 500;

    explicit ProgressPanel(QWidget* parent = nullptr);

    void begin();
    void end();
    // What the task does now, and how far it has come in its own units; a total of 0 shows
    // a bar that only says it is busy.
    void setStatus(const QString& text, qint64 done, qint64 total);
    // Shows it at once: for a task known to be long.
    void showNow();
    // Whether "Annulla" is offered (a task past its point of no return offers nothing).
    void setCancellable(bool cancellable);

Q_SIGNALS:
    void cancelRequested();

private:
    QLabel* m_text;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    QTimer* m_delay;
};
