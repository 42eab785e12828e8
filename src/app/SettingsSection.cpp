#include "app/SettingsSection.h"

#include "ui/Icons.h"
#include "ui/Typography.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
const char* const kTextColor = "qsTextColor";
const char* const kIconName = "qsIconName";
const char* const kIconSize = "qsIconSize";
const char* const kIconColor = "qsIconColor";

// Colours come from the window's palette: a label's own has its text colour replaced.
void applyLook(QLabel* label, const QPalette& window) {
    if (const QVariant text = label->property(kTextColor); text.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Palette::color(ColorName(text.toInt()), window));
        label->setPalette(palette);
    }
    if (const QVariant icon = label->property(kIconName); icon.isValid()) {
        label->setPixmap(
            Icons::pixmap(icon.toString(), label->property(kIconSize).toInt(),
                          Palette::color(ColorName(label->property(kIconColor).toInt()), window),
                          label->devicePixelRatioF()));
    }
}
} // namespace

QVBoxLayout* SettingsSection::add(QVBoxLayout* form, const QString& header) {
    auto* title = new QLabel(header);
    title->setFont(Typography::font(TextStyle::Headline));
    form->addWidget(title);
    auto* rows = new QVBoxLayout;
    rows->setContentsMargins(12, 0, 0, 8);
    form->addLayout(rows);
    return rows;
}

QLabel* SettingsSection::caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFont(Typography::font(TextStyle::Caption));
    paintText(label, ColorName::Secondary);
    return label;
}

void SettingsSection::paintText(QLabel* label, ColorName color) {
    label->setProperty(kTextColor, int(color));
    applyLook(label, QGuiApplication::palette());
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
