#include "ui/SegmentedControl.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

SegmentedControl::SegmentedControl(const QString& objectName, QWidget* parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this))
    , m_row(new QHBoxLayout) {
    setObjectName(objectName);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(4);
    stack->addLayout(m_row);
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(2);
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            updateTabStop();
            Q_EMIT currentIndexChanged(id);
        }
    });
}

void SegmentedControl::setTitle(const QString& title, bool above) {
    if (!m_title) {
        m_title = new QLabel(this);
        m_title->setObjectName(objectName() + QStringLiteral("Title"));
        if (above) {
            static_cast<QVBoxLayout*>(layout())->insertWidget(0, m_title);
        } else {
            m_row->insertWidget(0, m_title);
            m_row->insertSpacing(1, 6);
        }
    }
    m_title->setText(title);
    m_title->setAccessibleName(title);
    setAccessibleName(title);
    if (QAbstractButton* first = m_group->button(0)) {
        m_title->setBuddy(first);
    }
}

QToolButton* SegmentedControl::addSegment(const QString& text, const QString& objectName) {
    auto* segment = new QToolButton(this);
    segment->setText(text);
    segment->setObjectName(objectName);
    segment->setAccessibleName(text);
    segment->setCheckable(true);
    segment->setToolButtonStyle(Qt::ToolButtonTextOnly);
    segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    const int index = count();
    m_group->addButton(segment, index);
    m_row->addWidget(segment);
    if (index == 0 && m_title) {
        m_title->setBuddy(segment);
    }
    updateTabStop();
    return segment;
}

int SegmentedControl::count() const {
    return static_cast<int>(m_group->buttons().size());
}

int SegmentedControl::currentIndex() const {
    return m_group->checkedId();
}

void SegmentedControl::setCurrentIndex(int index) {
    if (QAbstractButton* segment = m_group->button(index)) {
        segment->setChecked(true);
    } else if (QAbstractButton* chosen = m_group->checkedButton()) {
        // An exclusive group never lets its last checked button go.
        m_group->setExclusive(false);
        chosen->setChecked(false);
        m_group->setExclusive(true);
        updateTabStop();
    }
}

void SegmentedControl::focusCurrent(Qt::FocusReason reason) {
    if (QAbstractButton* stop = tabStop()) {
        stop->setFocus(reason);
    }
}

QAbstractButton* SegmentedControl::tabStop() const {
    QAbstractButton* chosen = m_group->checkedButton();
    return chosen ? chosen : m_group->button(0);
}

// Qt's own arrow keys move along the group's buttons whatever their focus policy. Only the
// stop takes Tab, and a click on a segment leaves the focus where it was, as tool buttons do.
void SegmentedControl::updateTabStop() {
    const QAbstractButton* stop = tabStop();
    const QList<QAbstractButton*> segments = m_group->buttons();
    for (QAbstractButton* segment : segments) {
        segment->setFocusPolicy(segment == stop ? Qt::TabFocus : Qt::NoFocus);
    }
}
