#include "ui/ProgressPanel.h"

#include "ui/TextLabel.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

ProgressPanel::ProgressPanel(QWidget* parent)
    : QWidget(parent)
    , m_text(new TextLabel(QString(), TextStyle::Subheadline, ColorName::Secondary, this))
    , m_bar(new QProgressBar(this))
    , m_cancel(new QPushButton(QStringLiteral("Annulla"), this))
    , m_delay(new QTimer(this)) {
    setObjectName(QStringLiteral("progressPanel"));
    m_text->setObjectName(QStringLiteral("progressText"));
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setTextVisible(false);
    m_cancel->setObjectName(QStringLiteral("progressCancelButton"));
    m_cancel->setAccessibleName(QStringLiteral("Annulla"));
    m_cancel->setAutoDefault(false);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);
    stack->addWidget(m_text);
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    row->addWidget(m_bar, 1);
    row->addWidget(m_cancel);
    stack->addLayout(row);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressPanel::cancelRequested);
    m_delay->setSingleShot(true);
    // Precise: a coarse timer may fire up to 5% early, and work of 0.48 s would flash the bar.
    m_delay->setTimerType(Qt::PreciseTimer);
    m_delay->setInterval(kDelayMs);
    connect(m_delay, &QTimer::timeout, this, &ProgressPanel::showNow);
    hide();
}

void ProgressPanel::begin() {
    if (!isVisible() && !m_delay->isActive()) {
        m_delay->start();
    }
}

void ProgressPanel::end() {
    m_delay->stop();
    hide();
}

void ProgressPanel::showNow() {
    m_delay->stop();
    show();
}

void ProgressPanel::setStatus(const QString& text, qint64 done, qint64 total) {
    m_text->setText(text);
    m_bar->setAccessibleName(text);
    if (total <= 0) {
        m_bar->setRange(0, 0);
        return;
    }
    // A bar counts in int: large totals (bytes) are scaled to a thousandth.
    const qint64 scale = total > std::numeric_limits<int>::max() / 2 ? total / 1000 + 1 : 1;
    m_bar->setRange(0, int(total / scale));
    m_bar->setValue(int(std::clamp<qint64>(done, 0, total) / scale));
}

void ProgressPanel::setCancellable(bool cancellable) {
    m_cancel->setEnabled(cancellable);
}
