#include "app/SettingsSection.h"

#include "ui/Icons.h"
#include "ui/TextLabel.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
const char* const kIconName = "qsIconName";
const char* const kIconSize = "qsIconSize";
const char* const kIconColor = "qsIconColor";

// Colours come from the window's palette.
void applyLook(QLabel* label, const QPalette& window) {
    if (const QVariant icon = label->property(kIconName); icon.isValid()) {
        label->setPixmap(
            Icons::pixmap(icon.toString(), label->property(kIconSize).toInt(),
                          Palette::color(ColorName(label->property(kIconColor).toInt()), window),
                          label->devicePixelRatioF()));
    }
}
} // namespace

QVBoxLayout* SettingsSection::add(QVBoxLayout* form, const QString& header) {
    form->addWidget(new TextLabel(header, TextStyle::Headline, ColorName::Primary));
    auto* rows = new QVBoxLayout;
    rows->setContentsMargins(12, 0, 0, 8);
    form->addLayout(rows);
    return rows;
}

QLabel* SettingsSection::caption(const QString& text, QWidget* parent) {
    auto* label = new TextLabel(text, TextStyle::Caption, ColorName::Secondary, parent);
    label->setWordWrap(true);
    return label;
}

void SettingsSection::paintIcon(QLabel* label, const QString& systemName, int size,
                                ColorName color) {
    label->setProperty(kIconName, systemName);
    label->setProperty(kIconSize, size);
    label->setProperty(kIconColor, int(color));
    applyLook(label, QGuiApplication::palette());
}

void SettingsSection::repaint(QWidget* root) {
    for (QLabel* label : root->findChildren<QLabel*>()) {
        applyLook(label, root->palette());
    }
}
