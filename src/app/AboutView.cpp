#include "app/AboutView.h"

#include "app/SettingsSection.h"
#include "ui/Divider.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// Qt's own logo, which Qt Widgets carries for its About box.
constexpr QLatin1String kQtLogo(":/qt-project.org/qmessagebox/images/qtlogo-64.png");

QLabel* text(const QString& content, TextStyle style, QWidget* parent, bool secondary = true) {
    auto* label = new TextLabel(content, style,
                                secondary ? ColorName::Secondary : ColorName::Primary, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// One credit: its icon, then its name, centred.
QWidget* credit(QLabel* icon, const QString& name, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    layout->addWidget(icon);
    layout->addWidget(text(name, TextStyle::Caption, row));
    layout->addStretch();
    return row;
}

} // namespace

AboutView::AboutView(QWidget* parent)
    : QWidget(parent) {
    auto* stack = new QVBoxLayout(this);
    stack->setSpacing(20);
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    const int iconSize = QFontInfo(Typography::system(64)).pixelSize();
    SettingsSection::paintIcon(icon, QStringLiteral("calendar.badge.clock"), iconSize,
                               ColorName::Blue);
    icon->setAlignment(Qt::AlignCenter);
    stack->addWidget(icon);
    QLabel* name = text(QStringLiteral("Quintaver Scheduler"), TextStyle::Title, this, false);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    stack->addWidget(name);
    stack->addWidget(text(QStringLiteral("Version 1.0"), TextStyle::Subheadline, this));
    QLabel* description = text(QStringLiteral("A comprehensive scheduler for Linux with calendar "
                                              "events, tasks and policy tracking."),
                               TextStyle::Body, this);
    description->setObjectName(QStringLiteral("aboutDescription"));
    description->setWordWrap(true);
    // At most 300 wide: a fixed width lets the wrapped lines take the height they need.
    description->setFixedWidth(300);
    stack->addWidget(description, 0, Qt::AlignHCenter);
    stack->addWidget(new Divider(Qt::Horizontal, this));
    stack->addWidget(buildCredits());
    stack->addStretch();
}

QWidget* AboutView::buildCredits() {
    auto* credits = new QWidget(this);
    credits->setObjectName(QStringLiteral("aboutCredits"));
    auto* stack = new QVBoxLayout(credits);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(8);
    const int size = QFontMetrics(Typography::font(TextStyle::Caption)).height();
    const qreal ratio = devicePixelRatioF();
    auto* qt = new QLabel(credits);
    QPixmap logo = QPixmap(QString(kQtLogo))
                       .scaled(qRound(size * ratio), qRound(size * ratio), Qt::KeepAspectRatio,
                               Qt::SmoothTransformation);
    logo.setDevicePixelRatio(ratio);
    qt->setPixmap(logo);
    stack->addWidget(credit(qt, QStringLiteral("Qt 6"), credits));
    const std::pair<QString, QString> bundled[] = {
        {QStringLiteral("cylinder.split.1x2"), QStringLiteral("SQLite")},
        {QStringLiteral("desktopcomputer"), QStringLiteral("Linux desktop")},
    };
    for (const auto& [iconName, name] : bundled) {
        auto* icon = new QLabel(credits);
        SettingsSection::paintIcon(icon, iconName, size, ColorName::Secondary);
        stack->addWidget(credit(icon, name, credits));
    }
    return credits;
}
