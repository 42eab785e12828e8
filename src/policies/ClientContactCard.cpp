#include "policies/ClientContactCard.h"

#include "policies/WashPanel.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* textLabel(const QString& text, const QFont& font, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(name);
    label->setFont(font);
    label->setAccessibleName(text);
    return label;
}

void setTextColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color); // on the text background
    label->setPalette(palette);
}

} // namespace

ClientContactCard::ClientContactCard(const Shown& shown, QWidget* parent)
    : QWidget(parent)
    , m_shown(shown) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new WashPanel({.wash = 0.05, .radius = 8, .padding = 16}, this);
    card->setObjectName(QStringLiteral("contactCard"));
    outer->addWidget(card);
    if (!shown.hasContact && shown.phone.isEmpty()) {
        buildNoContact(card);
    } else {
        buildContact(card);
    }
    applyLook();
}

void ClientContactCard::buildNoContact(WashPanel* card) {
    QFont italic = Typography::font(TextStyle::Body, font());
    italic.setItalic(true);
    m_none = textLabel(QStringLiteral("Nessuna informazione di contatto fornita."), italic,
                       QStringLiteral("noContactLabel"), card);
    card->body()->addWidget(m_none);
}

void ClientContactCard::buildContact(WashPanel* card) {
    auto* row = new QHBoxLayout;
    row->setSpacing(24);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    if (m_shown.hasContact) {
        texts->addWidget(textLabel(m_shown.fullName, Typography::font(TextStyle::Headline, font()),
                                   QStringLiteral("contactNameLabel"), card));
    }
    if (!m_shown.phone.isEmpty()) {
        // Beside the contact's name the phone is a detail; alone it is the headline.
        const TextStyle style = m_shown.hasContact ? TextStyle::Subheadline : TextStyle::Headline;
        m_phone = textLabel(m_shown.phone, Typography::font(style, font()),
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

void ClientContactCard::applyLook() {
    const QColor secondary = Palette::color(ColorName::Secondary, palette());
    const QColor phoneColor =
        m_shown.hasContact ? secondary : Palette::color(ColorName::Primary, palette());
    if (m_none) {
        setTextColor(m_none, secondary);
    }
    if (m_phone) {
        setTextColor(m_phone, phoneColor);
        m_phoneIcon->setPixmap(Icons::pixmap(u"phone.fill", QFontMetrics(m_phone->font()).height(),
                                             phoneColor, devicePixelRatioF()));
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
