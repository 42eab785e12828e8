#include "ui/EditorSheet.h"

#include "ui/FieldBlock.h"
#include "ui/Palette.h"
#include "ui/SectionTitle.h"
#include "ui/SegmentedControl.h"
#include "ui/TextArea.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {
constexpr int kPadding = 32;
constexpr int kFormSpacing = 24;
constexpr int kSectionSpacing = 20;
constexpr int kSectionWidth = 520;
constexpr int kMinimumWidth = 500;
constexpr int kMinimumHeight = 600;
} // namespace

EditorSheet::EditorSheet(const QString& title, const QString& subtitle, const QString& saveText,
                         QWidget* parent)
    : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(title);
    setAccessibleName(title);
    setMinimumSize(kMinimumWidth, kMinimumHeight);

    auto* form = new QWidget;
    auto* stack = new QVBoxLayout(form);
    m_form = stack;
    stack->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    stack->setSpacing(kFormSpacing);
    stack->addWidget(buildHeader(title, subtitle));
    auto* sections = new QWidget(form);
    sections->setMaximumWidth(kSectionWidth);
    m_sectionColumn = sections;
    m_sections = new QVBoxLayout(sections);
    m_sections->setContentsMargins(0, 0, 0, 0);
    m_sections->setSpacing(kSectionSpacing);
    // As wide as the form allows up to the maximum, centred beyond it.
    auto* column = new QHBoxLayout;
    column->addStretch();
    column->addWidget(sections, 1);
    column->addStretch();
    stack->addLayout(column);
    m_actions = buildActions(saveText);
    stack->addWidget(m_actions);
    stack->addStretch();

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("sheetScrollArea"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // Tab moves between the fields, and the area scrolls to the one that has the focus.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(form);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    // Both keys of the keypad and the main keyboard; one handler, guarded by the button.
    for (const QKeyCombination keys : {Qt::CTRL | Qt::Key_Return, Qt::CTRL | Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        connect(shortcut, &QShortcut::activated, this, &EditorSheet::saveIfEnabled);
    }
    applyLook();
}

QWidget* EditorSheet::buildHeader(const QString& title, const QString& subtitle) {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    m_title = new TextLabel(title, TextLabel::points(24, QFont::Bold),
                            TextLabel::named(ColorName::Primary), header);
    m_title->setObjectName(QStringLiteral("sheetTitle"));
    m_title->setAccessibleName(title);
    m_subtitle = new TextLabel(subtitle, TextStyle::Subheadline, ColorName::Secondary, header);
    m_subtitle->setObjectName(QStringLiteral("sheetSubtitle"));
    m_subtitle->setAccessibleName(subtitle);
    texts->addWidget(m_title);
    texts->addWidget(m_subtitle);
    row->addLayout(texts);
    row->addStretch();
    m_headerCancel = makeCancelButton(QStringLiteral("headerCancelButton"));
    row->addWidget(m_headerCancel, 0, Qt::AlignTop);
    return header;
}

QWidget* EditorSheet::buildActions(const QString& saveText) {
    auto* actions = new QWidget;
    auto* row = new QHBoxLayout(actions);
    row->setContentsMargins(0, 8, 0, 0);
    row->setSpacing(16);
    row->addStretch();
    m_cancel = makeCancelButton(QStringLiteral("cancelButton"));
    row->addWidget(m_cancel);
    m_save = new QPushButton(saveText, actions);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setAccessibleName(saveText);
    m_save->setAutoDefault(false);
    m_save->setDefault(false);
    connect(m_save, &QPushButton::clicked, this, &EditorSheet::saveIfEnabled);
    row->addWidget(m_save);
    return actions;
}

QPushButton* EditorSheet::makeCancelButton(const QString& objectName) {
    auto* button = new QPushButton(QStringLiteral("Annulla"));
    button->setObjectName(objectName);
    button->setAccessibleName(QStringLiteral("Annulla"));
    button->setAutoDefault(false);
    button->setDefault(false);
    connect(button, &QPushButton::clicked, this, &QDialog::reject);
    return button;
}

QWidget* EditorSheet::addSection(const QString& label, const QString& iconName, QWidget* card,
                                 const QString& objectName) {
    auto* section = new QWidget;
    section->setObjectName(objectName);
    auto* stack = new QVBoxLayout(section);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(16);
    stack->addWidget(new SectionTitle(label, iconName, section));
    stack->addWidget(card);
    m_sections->addWidget(section);

    return section;
}

void EditorSheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    refreshTabOrder();
    // Again once the scrolling form has had its layout requests.
    QMetaObject::invokeMethod(this, &EditorSheet::refreshTabOrder, Qt::QueuedConnection);
}

void EditorSheet::refreshTabOrder() {
    QWidget* form = m_actions->parentWidget();
    struct Stop {
        QRect at;
        QWidget* widget;
        bool action = false;
        int line = 0;
    };
    std::vector<Stop> stops;
    const QList<QWidget*> children = form->findChildren<QWidget*>();
    for (QWidget* child : children) {
        // Popups (a combo box's list, a date picker's calendar) are windows of their own, and
        // a control with a focus proxy is reached through it.
        if ((child->focusPolicy() & Qt::TabFocus) && !child->focusProxy() &&
            child->window() == this) {
            stops.push_back({QRect(child->mapTo(form, QPoint(0, 0)), child->size()), child,
                             m_actions->isAncestorOf(child)});
        }
    }
    // Top to bottom, and within a line left to right; the buttons row comes last whatever its
    // height. Controls side by side are aligned by their centres, so their tops differ by a
    // few pixels: a control whose top is above the middle of the line's first one is on it.
    std::stable_sort(stops.begin(), stops.end(),
                     [](const Stop& a, const Stop& b) { return a.at.top() < b.at.top(); });
    int line = 0;
    int lineMiddle = 0;
    for (Stop& stop : stops) {
        if (&stop == &stops.front() || stop.at.top() >= lineMiddle) {
            ++line;
            lineMiddle = stop.at.center().y();
        }
        stop.line = line;
    }
    std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) {
        if (a.action != b.action) {
            return b.action;
        }
        if (a.line != b.line) {
            return a.line < b.line;
        }
        return a.at.left() < b.at.left();
    });
    m_tabStops.clear();
    for (size_t i = 0; i < stops.size(); ++i) {
        m_tabStops.emplace_back(tabUnit(stops[i].widget));
        if (i > 0) {
            QWidget::setTabOrder(stops[i - 1].widget, stops[i].widget);
        }
    }
}

// A segmented control is one stop, whichever of its segments the arrows have moved to.
QWidget* EditorSheet::tabUnit(QWidget* widget) {
    if (widget) {
        if (auto* group = qobject_cast<SegmentedControl*>(widget->parentWidget())) {
            return group;
        }
    }
    return widget;
}

bool EditorSheet::focusNextPrevChild(bool next) {
    const auto at = std::find(m_tabStops.begin(), m_tabStops.end(), tabUnit(focusWidget()));
    if (at == m_tabStops.end()) {
        return QDialog::focusNextPrevChild(next);
    }
    const auto count = std::ptrdiff_t(m_tabStops.size());
    std::ptrdiff_t index = at - m_tabStops.begin();
    for (std::ptrdiff_t step = 0; step < count; ++step) {
        index = (index + (next ? 1 : count - 1)) % count;
        QWidget* stop = m_tabStops[size_t(index)];
        if (stop && stop->isVisibleTo(this) && stop->isEnabled()) {
            const Qt::FocusReason reason = next ? Qt::TabFocusReason : Qt::BacktabFocusReason;
            if (auto* group = qobject_cast<SegmentedControl*>(stop)) {
                group->focusCurrent(reason);
            } else {
                stop->setFocus(reason);
            }
            return true;
        }
    }
    return false;
}

void EditorSheet::setSaveEnabled(bool enabled) {
    m_save->setEnabled(enabled);
}

void EditorSheet::setSaveText(const QString& text) {
    m_save->setText(text);
    m_save->setAccessibleName(text);
}

void EditorSheet::setCancelShown(bool shown) {
    m_headerCancel->setVisible(shown);
    m_cancel->setVisible(shown);
}

void EditorSheet::setSectionWidth(int width) {
    m_sectionColumn->setMaximumWidth(width);
}

QPushButton* EditorSheet::addSecondaryAction(const QString& text, const QString& objectName) {
    auto* button = new QPushButton(text, m_actions);
    button->setObjectName(objectName);
    button->setAccessibleName(text);
    button->setAutoDefault(false);
    button->setDefault(false);
    auto* row = static_cast<QHBoxLayout*>(m_actions->layout());
    row->insertWidget(row->indexOf(m_save), button);
    return button;
}

void EditorSheet::addAboveActions(QWidget* widget) {
    widget->setMaximumWidth(m_sectionColumn->maximumWidth());
    auto* column = new QHBoxLayout;
    column->addStretch();
    column->addWidget(widget, 1);
    column->addStretch();
    m_form->insertLayout(m_form->indexOf(m_actions), column);
}

void EditorSheet::addSaveHint() {
    auto* hint = new TextLabel(QString(), TextStyle::Caption, ColorName::Red);
    hint->setObjectName(QStringLiteral("saveHint"));
    hint->setWordWrap(true);
    hint->hide();
    m_saveHint = hint;
    addAboveActions(hint);
}

void EditorSheet::showSaveBlockedReason(const QString& why) {
    setSaveEnabled(why.isEmpty());
    if (m_saveHint) {
        m_saveHint->setText(why);
        m_saveHint->setAccessibleName(why);
        m_saveHint->setVisible(!why.isEmpty());
    }
    m_save->setToolTip(why);
    m_save->setAccessibleDescription(why);
}

QLineEdit* EditorSheet::addField(QBoxLayout* into, const QString& caption,
                                 const QString& placeholder, const QString& objectName,
                                 QString& value) {
    auto* field = new FieldBlock(caption, placeholder, objectName);
    into->addWidget(field);
    bind(field->edit(), value);
    return field->edit();
}

void EditorSheet::bind(QLineEdit* edit, QString& value) {
    edit->setText(value);
    connect(edit, &QLineEdit::textChanged, this, [this, &value](const QString& text) {
        value = text;
        draftEdited();
    });
}

TextArea* EditorSheet::addNotes(QBoxLayout* into, int height, QString& value) {
    auto* notes = new TextArea;
    notes->setObjectName(QStringLiteral("notesEditor"));
    notes->setAccessibleName(QStringLiteral("Note"));
    notes->setFixedHeight(height);
    into->addWidget(notes);
    notes->setPlainText(value);
    connect(notes, &TextArea::textChanged, this, [this, notes, &value] {
        value = notes->text();
        draftEdited();
    });
    return notes;
}

void EditorSheet::saveIfEnabled() {
    saveNow();
}

bool EditorSheet::saveNow() {
    return m_save->isEnabled() && save();
}

void EditorSheet::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        applyLook();
    }
}

void EditorSheet::applyLook() {
    if (!m_title) {
        return; // a change that comes while the frame is being built
    }

    // The prominent save button: the accent colour while enabled, the style's grey otherwise.
    QPalette savePalette = palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        savePalette.setColor(group, QPalette::Button, Palette::color(ColorName::Accent, palette()));
        savePalette.setColor(group, QPalette::ButtonText,
                             palette().color(QPalette::HighlightedText));
    }
    m_save->setPalette(savePalette);
}
