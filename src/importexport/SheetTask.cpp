#include "importexport/SheetTask.h"

#include "platform/LogChannel.h"
#include "transfer/TaskControl.h"
#include "ui/ProgressPanel.h"
#include "ui/TextLabel.h"

#include <QTimer>

namespace {

constexpr int kSheetProgressIntervalMs = 100;

} // namespace

SheetTask::SheetTask(QWidget* sheet, QString working, const QString& statusName)
    : QObject(sheet)
    , m_working(std::move(working))
    , m_progress(new ProgressPanel(sheet))
    , m_status(new TextLabel(QString(), TextStyle::Body, ColorName::Red, sheet))
    , m_timer(new QTimer(this)) {
    connect(m_progress, &ProgressPanel::cancelRequested, this, &SheetTask::cancel);
    m_timer->setInterval(kSheetProgressIntervalMs);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (m_control) {
            m_progress->setStatus(m_working, m_control->done(), m_control->total());
        }
    });
    m_status->setObjectName(statusName);
    m_status->setWordWrap(true);
    m_status->hide();
}

std::shared_ptr<TaskControl> SheetTask::begin() {
    m_control = std::make_shared<TaskControl>();
    m_status->hide();
    m_progress->setStatus(m_working, 0, 0);
    m_progress->setCancellable(true);
    m_progress->begin();
    m_timer->start();
    return m_control;
}

bool SheetTask::end() {
    const bool stopped = m_control && m_control->isCancelled();
    m_control.reset();
    m_timer->stop();
    m_progress->end();
    return !stopped;
}

void SheetTask::fail(LogChannel& log, const QString& prefix, const QString& error) {
    log.write(prefix, error);
    m_status->setText(prefix + error);
    m_status->setAccessibleName(m_status->text());
    m_status->show();
}

void SheetTask::cancel() {
    if (m_control) {
        m_control->cancel();
    }
}
