#include "contacts/ContactListView.h"

#include "contacts/ContactEditView.h"
#include "contacts/ContactListModel.h"
#include "contacts/ContactListRow.h"
#include "model/Contact.h"
#include "platform/Clock.h"
#include "store/ObjectObservation.h"
#include "ui/Divider.h"
#include "ui/Icons.h"
#include "ui/ListSelectionKeeper.h"
#include "ui/Palette.h"
#include "ui/SearchField.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int kListWidth = 320;

void paintBackground(QWidget* widget, const QColor& color) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}

} // namespace

ContactListView::ContactListView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_model(new ContactListModel(m_services.context, m_services.clock.locale(), this))
    , m_pane(new QStackedWidget(this)) {
    setObjectName(QStringLiteral("contactListView"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(buildListColumn());
    row->addWidget(new Divider(Qt::Vertical));
    row->addWidget(m_pane, 1);
    applyLook();
    connect(m_model, &ContactListModel::totalCountChanged, this, &ContactListView::updateFooter);
    updateFooter();
}

ContactListView::~ContactListView() = default;

QWidget* ContactListView::buildListColumn() {
    auto* column = new QWidget;
    column->setFixedWidth(kListWidth);
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    m_search =
        new SearchField(QStringLiteral("Cerca contatti..."), QStringLiteral("contactSearchField"));
    auto* searchBar = new QWidget;
    auto* searchBox = new QVBoxLayout(searchBar);
    searchBox->setContentsMargins(8, 8, 8, 8);
    searchBox->addWidget(m_search);
    stack->addWidget(searchBar);
    connect(m_search, &SearchField::textChanged, m_model, &ContactListModel::setSearchText);
    stack->addWidget(new Divider(Qt::Horizontal));

    m_list = new QListView;
    m_list->setObjectName(QStringLiteral("contactList"));
    m_list->setAccessibleName(QStringLiteral("Contatti"));
    m_selection = new ListSelectionKeeper(*m_list, *m_model, this);
    connect(m_selection, &ListSelectionKeeper::chosen, this,
            [this](const std::shared_ptr<ManagedObject>& object) {
                select(std::dynamic_pointer_cast<Contact>(object));
            });
    m_list->setItemDelegate(new ContactListRow(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    stack->addWidget(m_list, 1);
    stack->addWidget(new Divider(Qt::Horizontal));

    m_footerBar = new QWidget;
    auto* footerRow = new QHBoxLayout(m_footerBar);
    footerRow->setContentsMargins(12, 8, 12, 8);
    footerRow->addStretch();
    m_footer = new TextLabel(QString(), TextStyle::Caption, ColorName::Secondary);
    m_footer->setObjectName(QStringLiteral("contactTotal"));
    footerRow->addWidget(m_footer);
    stack->addWidget(m_footerBar);
    return column;
}

QWidget* ContactListView::buildEmptyState() {
    auto* empty = new QWidget;
    empty->setObjectName(QStringLiteral("contactEmptyState"));
    paintBackground(empty, Palette::color(ColorName::TextBackground, palette()));
    auto* stack = new QVBoxLayout(empty);
    stack->setSpacing(20);
    stack->addStretch();
    const QColor secondary = Palette::color(ColorName::Secondary, palette());
    auto* icon = new QLabel;
    icon->setPixmap(Icons::pixmap(u"person.crop.circle.badge.plus", 64,
                                  Palette::withOpacity(secondary, 0.3), devicePixelRatioF()));
    stack->addWidget(icon, 0, Qt::AlignHCenter);
    stack->addWidget(new TextLabel(QStringLiteral("Seleziona un contatto per vederne i dettagli"),
                                   TextStyle::Title3, ColorName::Secondary),
                     0, Qt::AlignHCenter);
    auto* add = new QPushButton(Icons::icon(u"plus", palette().color(QPalette::ButtonText)),
                                QStringLiteral("Aggiungi Nuovo Contatto"));
    add->setObjectName(QStringLiteral("addContactButton"));
    add->setAccessibleName(add->text());
    connect(add, &QPushButton::clicked, this, &ContactListView::showEditSheet);
    stack->addWidget(add, 0, Qt::AlignHCenter);
    stack->addStretch();
    return empty;
}

void ContactListView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyLook();
    }
}

// The rows take their colours from the palette of each paint and the labels from the window;
// the footer's wash and the empty state's icons are made again when the look changes.
void ContactListView::applyLook() {
    paintBackground(m_footerBar, Palette::gray(0.05, palette()));
    const bool emptyShown = m_emptyState && m_pane->currentWidget() == m_emptyState;
    delete m_emptyState;
    m_emptyState = buildEmptyState();
    m_pane->insertWidget(0, m_emptyState);
    if (emptyShown || !m_detail) {
        m_pane->setCurrentWidget(m_emptyState);
    }
}

void ContactListView::showEditSheet() {
    auto* sheet = new ContactEditView(m_services.editor(), m_selected, this);
    sheet->open();
}

void ContactListView::select(std::shared_ptr<Contact> contact) {
    if (contact == m_selected) {
        return;
    }
    m_selected = std::move(contact);
    m_selectedObservation.reset();
    if (m_detail) {
        m_pane->removeWidget(m_detail);
        m_detail->deleteLater();
        m_detail = nullptr;
    }
    if (m_selected) {
        observeSelected();
        m_detail = new ContactDetailView(m_services.page(), m_selected);
        connect(m_detail, &ContactDetailView::policyActivated, this,
                &ContactListView::policyActivated);
        m_pane->addWidget(m_detail);
        m_pane->setCurrentWidget(m_detail);
    }
    m_selection->hold(m_selected);
}

void ContactListView::observeSelected() {
    // Told while the context is still telling others: the selection is let go afterwards,
    // unless the deletion was undone meanwhile (a delete the store refused).
    m_selectedObservation = std::make_unique<ObjectObservation>(m_selected, nullptr, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_selected && m_selected->isDeleted()) {
                    select(nullptr);
                } else if (m_selected) {
                    observeSelected();
                }
            },
            Qt::QueuedConnection);
    });
}

void ContactListView::updateFooter() {
    m_footer->setText(QStringLiteral("%1 total").arg(m_model->totalCount()));
    m_footer->setAccessibleName(m_footer->text());
}
