#include "ui/SearchField.h"

#include "ui/Icons.h"
#include "ui/Palette.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

SearchField::SearchField(const QString& placeholder, const QString& objectName, QWidget* parent)
    : QWidget(parent)
    , m_icon(new QLabel(this))
    , m_edit(new QLineEdit(this))
    , m_clear(new QToolButton(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 4, 4);
    row->setSpacing(6);
    row->addWidget(m_icon);
    row->addWidget(m_edit, 1);
    row->addWidget(m_clear);
    m_edit->setObjectName(objectName);
    m_edit->setPlaceholderText(placeholder);
    m_edit->setAccessibleName(placeholder);
    m_edit->setFrame(false);
    m_edit->installEventFilter(this);
    m_clear->setObjectName(objectName + QStringLiteral("Clear"));
    m_clear->setAccessibleName(QStringLiteral("Cancella ricerca"));
    m_clear->setAutoRaise(true);
    m_clear->setFocusPolicy(Qt::NoFocus);
    m_clear->hide();
    // The box keeps its height whether or not the clear button shows.
    m_clear->setFixedSize(18, 18);
    m_clear->setIconSize(QSize(14, 14));
    setFocusProxy(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_clear->setVisible(!text.isEmpty());
        Q_EMIT textChanged(text);
    });
    connect(m_clear, &QToolButton::clicked, m_edit, &QLineEdit::clear);
    applyLook();
}

QString SearchField::text() const {
    return m_edit->text();
}

void SearchField::setText(const QString& text) {
    m_edit->setText(text);
}

bool SearchField::eventFilter(QObject* watched, QEvent* event) {
    // Escape empties the field; on an empty field it goes on to the window.
    if (watched == m_edit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !m_edit->text().isEmpty()) {
        m_edit->clear();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SearchField::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyLook();
    }
}

void SearchField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 8, 8);
    painter.fillPath(path, Palette::gray(0.1, palette()));
}

void SearchField::applyLook() {
    const QColor secondary = Palette::color(ColorName::Secondary, palette());
    const qreal ratio = devicePixelRatioF();
    m_icon->setPixmap(Icons::pixmap(u"magnifyingglass", 14, secondary, ratio));
    m_clear->setIcon(Icons::icon(u"xmark.circle.fill", secondary));
    QPalette editPalette = m_edit->palette();
    editPalette.setColor(QPalette::Base, Qt::transparent);
    m_edit->setPalette(editPalette);
}
