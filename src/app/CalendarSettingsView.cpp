#include "app/CalendarSettingsView.h"

#include "app/AppSettings.h"
#include "app/SettingsSection.h"
#include "calendar/LiveCalendar.h"
#include "ui/TextLabel.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

CalendarSettingsView::CalendarSettingsView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(services) {
    auto* form = new QVBoxLayout(this);
    QVBoxLayout* section = SettingsSection::add(form, QStringLiteral("Calendario"));
    const QString toggleText = QStringLiteral("Mantieni aggiornato un calendario");
    m_toggle = new QCheckBox(toggleText, this);
    m_toggle->setObjectName(QStringLiteral("liveCalendarToggle"));
    m_toggle->setAccessibleName(toggleText);
    m_toggle->setChecked(m_services.settings.liveCalendar());
    section->addWidget(m_toggle);
    section->addWidget(SettingsSection::caption(
        QStringLiteral("Un file con le scadenze delle polizze, gli eventi e le attività, "
                       "aggiornato dopo ogni modifica salvata. GNOME Calendar, Evolution e "
                       "Thunderbird possono abbonarsi a questo indirizzo:"),
        this));

    const QString address = m_services.calendar.url().toString(QUrl::FullyEncoded);
    m_address = new TextLabel(address, TextStyle::Body, ColorName::Primary, this);
    m_address->setObjectName(QStringLiteral("liveCalendarAddress"));
    m_address->setAccessibleName(QStringLiteral("Indirizzo del calendario: ") + address);
    m_address->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // A long address wraps where it can; the tab's width is the window's, whatever it holds.
    m_address->setWordWrap(true);
    m_address->setToolTip(address);
    section->addWidget(m_address);
    m_copy = new QPushButton(QStringLiteral("Copia"), this);
    m_copy->setObjectName(QStringLiteral("copyCalendarAddressButton"));
    m_copy->setAccessibleName(QStringLiteral("Copia l'indirizzo del calendario"));
    connect(m_copy, &QPushButton::clicked, this,
            [address] { QGuiApplication::clipboard()->setText(address); });
    auto* row = new QHBoxLayout;
    row->addWidget(m_copy);
    row->addStretch();
    section->addLayout(row);

    m_status = new TextLabel(QString(), TextStyle::Body, ColorName::Red, this);
    m_status->setObjectName(QStringLiteral("liveCalendarStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    section->addWidget(m_status);
    form->addStretch();

    // Only the user's clicks write: filling the check box above changed nothing stored.
    connect(m_toggle, &QCheckBox::clicked, this, &CalendarSettingsView::setKeptUpToDate);
    connect(&m_services.calendar, &LiveCalendar::failureChanged, this,
            &CalendarSettingsView::showState);
    showState();
}

void CalendarSettingsView::setKeptUpToDate(bool on) {
    m_services.settings.setLiveCalendar(on);
    m_services.calendar.setEnabled(on);
    m_toggle->setChecked(on);
    showState();
}

void CalendarSettingsView::showState() {
    const bool on = m_toggle->isChecked();
    m_address->setEnabled(on);
    m_copy->setEnabled(on);
    const std::optional<QString>& failure = m_services.calendar.failure();
    const QString text =
        failure ? QStringLiteral("Il calendario non si può scrivere: ") + *failure : QString();
    m_status->setText(text);
    m_status->setAccessibleName(text.isEmpty() ? QStringLiteral("Calendario aggiornato") : text);
    m_status->setVisible(failure.has_value());
}
