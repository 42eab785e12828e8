#include "app/SettingsSection.h"

#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QLabel>
#include <QVBoxLayout>

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
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Palette::color(ColorName::Secondary));
    label->setPalette(palette);
    return label;
}
