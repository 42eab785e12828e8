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
        m_phone->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_phoneIcon = new QLabel(card);
        auto* phoneRow = new QHBoxLayout;
        phoneRow->setSpacing(6);
        phoneRow->addWidget(m_phoneIcon);
        phoneRow->addWidget(m_phone);
        phoneRow->addStretch();
        texts->addLayout(phoneRow);
    }
    row->addLayout(texts, 1);
    if (!m_shown.phone.isEmpty()) {
        row->addWidget(buildWhatsAppButton(card), 0, Qt::AlignVCenter);
    }
    card->body()->addLayout(row);
}

QPushButton* ClientContactCard::buildWhatsAppButton(QWidget* parent) {
    m_whatsApp = new QPushButton(QStringLiteral("Promemoria WhatsApp"), parent);
    m_whatsApp->setObjectName(QStringLiteral("whatsAppButton"));
    m_whatsApp->setAccessibleName(m_whatsApp->text());
    m_whatsApp->setAutoDefault(false);
    m_whatsApp->setCursor(Qt::PointingHandCursor);
    m_whatsApp->setIcon(Icons::icon(u"message.fill", Qt::white));
    connect(m_whatsApp, &QPushButton::clicked, this, &ClientContactCard::whatsAppClicked);
    return m_whatsApp;
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
    if (m_whatsApp) {
        // The deeper green in either look, so the white label stays readable.
        const QColor green = Palette::color(ColorName::Green, Palette::light());
        m_whatsApp->setStyleSheet(
            QStringLiteral("QPushButton { color: white; background: %1; border: none; "
                           "border-radius: 14px; padding: 8px 16px; }"
                           "QPushButton:pressed { background: %2; }")
                .arg(green.name(), green.darker(120).name()));
    }
}
