#include "policies/ClientContactCard.h"

#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/RoundedPanel.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

TextLabel* textLabel(const QString& text, TextLabel::FontOf font, ColorName color,
                     const QString& name, QWidget* parent) {
    auto* label = new TextLabel(text, std::move(font), TextLabel::named(color), parent);
    label->setObjectName(name);
    label->setAccessibleName(text);
    return label;
}

// A selectable detail (the phone, the e-mail) after its icon, on a row of its own under
// `texts`; returns the icon's label, which the look fills.
QLabel* addIconRow(QVBoxLayout* texts, QLabel* detail, QWidget* card) {
    detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* icon = new QLabel(card);
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(icon);
    row->addWidget(detail);
    row->addStretch();
    texts->addLayout(row);
    return icon;
}

} // namespace

ClientContactCard::ClientContactCard(const Shown& shown, QWidget* parent)
    : QWidget(parent)
    , m_shown(shown) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new RoundedPanel({.wash = 0.05, .radius = 8, .padding = 16}, this);
    card->setObjectName(QStringLiteral("contactCard"));
    outer->addWidget(card);
    if (!shown.hasContact && shown.phone.isEmpty()) {
        buildNoContact(card);
    } else {
        buildContact(card);
    }
    applyLook();
}

void ClientContactCard::buildNoContact(RoundedPanel* card) {
    const auto italic = [](const QFont& base) {
        QFont font = Typography::font(TextStyle::Body, base);
        font.setItalic(true);
        return font;
    };
    m_none = textLabel(QStringLiteral("Nessuna informazione di contatto fornita."), italic,
                       ColorName::Secondary, QStringLiteral("noContactLabel"), card);
    card->body()->addWidget(m_none);
}

void ClientContactCard::buildContact(RoundedPanel* card) {
    auto* row = new QHBoxLayout;
    row->setSpacing(24);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    if (m_shown.hasContact) {
        texts->addWidget(textLabel(m_shown.fullName, TextLabel::style(TextStyle::Headline),
                                   ColorName::Primary, QStringLiteral("contactNameLabel"), card));
    }
    if (!m_shown.phone.isEmpty()) {
        // Beside the contact's name the phone is a detail; alone it is the headline.
        const TextStyle style = m_shown.hasContact ? TextStyle::Subheadline : TextStyle::Headline;
        m_phone = textLabel(m_shown.phone, TextLabel::style(style), phoneColor(),
                            QStringLiteral("contactPhoneLabel"), card);
        m_phoneIcon = addIconRow(texts, m_phone, card);
    }
    if (!m_shown.email.isEmpty()) {
        m_email = textLabel(m_shown.email, TextLabel::style(TextStyle::Subheadline),
                            ColorName::Secondary, QStringLiteral("contactEmailLabel"), card);
        m_emailIcon = addIconRow(texts, m_email, card);
    }
    row->addLayout(texts, 1);
    row->addLayout(buildButtons(card), 0);
    card->body()->addLayout(row);
}

QLayout* ClientContactCard::buildButtons(QWidget* parent) {
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch();
    if (!m_shown.phone.isEmpty()) {
        m_whatsApp = reminderButton(QStringLiteral("Promemoria WhatsApp"),
                                    QStringLiteral("whatsAppButton"), u"message.fill", parent);
        connect(m_whatsApp, &QPushButton::clicked, this, &ClientContactCard::whatsAppClicked);
        buttons->addWidget(m_whatsApp);
    }
    if (!m_shown.email.isEmpty()) {
        m_emailButton = reminderButton(QStringLiteral("Promemoria Email"),
                                       QStringLiteral("emailButton"), u"envelope.fill", parent);
        connect(m_emailButton, &QPushButton::clicked, this, &ClientContactCard::emailClicked);
        buttons->addWidget(m_emailButton);
    }
    buttons->addStretch();
    return buttons;
}

QPushButton* ClientContactCard::reminderButton(const QString& text, const QString& name,
                                               QStringView icon, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAccessibleName(text);
    button->setAutoDefault(false);
    button->setCursor(Qt::PointingHandCursor);
    button->setIcon(Icons::icon(icon, Qt::white));
    return button;
}

void ClientContactCard::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyLook();
    }
}

// Beside the contact's name the phone is a detail; alone it is the headline.
ColorName ClientContactCard::phoneColor() const {
    return m_shown.hasContact ? ColorName::Secondary : ColorName::Primary;
}

void ClientContactCard::applyLook() {
    if (m_phone) {
        m_phoneIcon->setPixmap(Icons::pixmap(u"phone.fill", QFontMetrics(m_phone->font()).height(),
                                             Palette::color(phoneColor(), palette()),
                                             devicePixelRatioF()));
    }
    if (m_email) {
        m_emailIcon->setPixmap(
            Icons::pixmap(u"envelope.fill", QFontMetrics(m_email->font()).height(),
                          Palette::color(ColorName::Secondary, palette()), devicePixelRatioF()));
    }
    // The deeper colours of either look, so the white labels stay readable.
    const auto paint = [](QPushButton* button, ColorName name) {
        if (!button) {
            return;
        }
        const QColor color = Palette::color(name, Palette::light());
        button->setStyleSheet(
            QStringLiteral("QPushButton { color: white; background: %1; border: none; "
                           "border-radius: 14px; padding: 8px 16px; }"
                           "QPushButton:pressed { background: %2; }")
                .arg(color.name(), color.darker(120).name()));
    };
    paint(m_whatsApp, ColorName::Green);
    paint(m_emailButton, ColorName::Blue);
}
