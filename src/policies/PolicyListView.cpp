#include "policies/PolicyListView.h"

#include "categories/CategoryPicker.h"

#include "model/Category.h"
#include "model/Policy.h"
#include "platform/Clock.h"
#include "policies/ClientNoticeSave.h"
#include "policies/PolicyDetailView.h"
#include "policies/PolicyFilter.h"
#include "policies/PolicyListModel.h"
#include "policies/PolicyListRow.h"
#include "reminders/NotificationManager.h"
#include "store/ManagedObjectContext.h"
#include "store/ObjectObservation.h"
#include "ui/Divider.h"
#include "ui/EmptyState.h"
#include "ui/Icons.h"
#include "ui/ListSelectionKeeper.h"
#include "ui/Palette.h"
#include "ui/SearchField.h"
#include "ui/SegmentedControl.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>

namespace {

constexpr int kColumnWidth = 320;
constexpr int kFooterIconSize = 14;

QString countText(int count) {
    return QString::number(count);
}

} // namespace

PolicyListView::PolicyListView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
    , m_model(new PolicyListModel(m_services.context, m_services.clock, this)) {
    setObjectName(QStringLiteral("policyListView"));
    setAccessibleName(QStringLiteral("Polizze"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(buildColumn());
    row->addWidget(new Divider(Qt::Vertical, this));
    m_pane = new QStackedWidget(this);
    m_pane->setObjectName(QStringLiteral("policyPane"));
    m_pane->addWidget(buildEmptyState());
    row->addWidget(m_pane, 1);

    connect(m_model, &PolicyListModel::countersChanged, this, &PolicyListView::updateFooter);
    updateFooter();
    applyLook();
}

PolicyListView::~PolicyListView() = default;

QWidget* PolicyListView::buildColumn() {
    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("policyColumn"));
    column->setFixedWidth(kColumnWidth);
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(buildHeader());
    stack->addWidget(new Divider(Qt::Horizontal, column));

    m_list = new QListView(column);
    m_list->setObjectName(QStringLiteral("policyList"));
    m_list->setAccessibleName(QStringLiteral("Polizze"));
    m_selection = new ListSelectionKeeper(*m_list, *m_model, this);
    connect(m_selection, &ListSelectionKeeper::chosen, this,
            [this](const std::shared_ptr<ManagedObject>& object) {
                setSelectedPolicy(std::static_pointer_cast<Policy>(object));
            });
    m_list->setItemDelegate(new PolicyListRow(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QListView::customContextMenuRequested, this, &PolicyListView::showContextMenu);
    stack->addWidget(m_list, 1);

    stack->addWidget(new Divider(Qt::Horizontal, column));
    stack->addWidget(buildFooter());
    return column;
}

QWidget* PolicyListView::buildHeader() {
    auto* header = new QWidget(this);
    auto* stack = new QVBoxLayout(header);
    stack->setSpacing(12);
    m_search = new SearchField(QStringLiteral("Cerca polizze..."),
                               QStringLiteral("policySearchField"), header);
    connect(m_search, &SearchField::textChanged, m_model, &PolicyListModel::setSearchText);
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        m_search->edit()->setFocus(Qt::ShortcutFocusReason);
        m_search->edit()->selectAll();
    });
    stack->addWidget(m_search);

    m_filter = new SegmentedControl(QStringLiteral("policyFilter"), header);
    // Four segments need the column's whole width.
    m_filter->setTitle(QStringLiteral("Filtra"), true);
    for (const PolicyFilter filter : PolicyFilters::kAllCases) {
        const QString label = PolicyFilters::rawValue(filter);
        m_filter->addSegment(label, QStringLiteral("policyFilter") + QString::number(int(filter)));
    }
    m_filter->setCurrentIndex(0);
    connect(m_filter, &SegmentedControl::currentIndexChanged, this,
            [this](int index) { m_model->setFilter(PolicyFilters::kAllCases[size_t(index)]); });
    m_categoryFilter = new CategoryPicker(m_services.context, QStringLiteral("Tutte le categorie"),
                                          QStringLiteral("policyCategoryFilter"), header);
    m_categoryFilter->setAccessibleName(QStringLiteral("Filtra per categoria"));
    m_categoryFilter->setMinimumContentsLength(12);
    connect(m_categoryFilter, &CategoryPicker::categoryChanged, this,
            [this] { m_model->setCategory(m_categoryFilter->category().get()); });
    stack->addWidget(m_filter);
    // A row of its own: beside the segments it would squeeze their labels.
    stack->addWidget(m_categoryFilter);
    return header;
}

QWidget* PolicyListView::buildFooter() {
    auto* footer = new QWidget(this);
    m_footer = footer;
    footer->setObjectName(QStringLiteral("policyFooter"));
    footer->setAutoFillBackground(true);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(12);
    const auto icon = [footer](const char* name, const QString& accessible) {
        auto* label = new QLabel(footer);
        label->setObjectName(QLatin1String(name));
        label->setAccessibleName(accessible);
        return label;
    };
    // The counts' digits: the bundled fonts' figures are all of one width.
    const auto count = [footer](const char* name, ColorName color) {
        auto* label = new TextLabel(QString(), TextStyle::Caption, color, footer);
        label->setObjectName(QLatin1String(name));
        return label;
    };
    m_expiringIcon = icon("expiringIcon", QStringLiteral("In Scadenza"));
    m_expiringCount = count("expiringCount", ColorName::Primary);
    m_expiredIcon = icon("expiredIcon", QStringLiteral("Scadute"));
    m_expiredCount = count("expiredCount", ColorName::Primary);
    m_toNotifyIcon = icon("toNotifyIcon", QStringLiteral("Da Avvisare"));
    m_toNotifyCount = count("toNotifyCount", ColorName::Primary);
    m_total = count("totalCount", ColorName::Secondary);
    const auto bar = [footer] {
        auto* divider = new Divider(Qt::Vertical, footer);
        divider->setFixedHeight(12);
        return divider;
    };
    for (QWidget* part :
         std::initializer_list<QWidget*>{m_expiringIcon, m_expiringCount, bar(), m_expiredIcon,
                                         m_expiredCount, bar(), m_toNotifyIcon, m_toNotifyCount}) {
        row->addWidget(part);
    }
    row->addStretch();
    row->addWidget(m_total);
    return footer;
}

QWidget* PolicyListView::buildEmptyState() {
    m_emptyState = new EmptyState(QStringLiteral("doc.text.magnifyingglass"),
                                  QStringLiteral("Seleziona una polizza per vederne i dettagli"),
                                  QString(), this);
    m_emptyState->setObjectName(QStringLiteral("policyEmptyState"));
    QPushButton* add =
        m_emptyState->addAction(QStringLiteral("Aggiungi Nuova Polizza"), QStringLiteral("plus"),
                                QStringLiteral("addPolicyButton"));
    connect(add, &QPushButton::clicked, this, &PolicyListView::openEditor);
    QPushButton* import = m_emptyState->addAction(QStringLiteral("Importa da File..."),
                                                  QStringLiteral("arrow.down.doc"),
                                                  QStringLiteral("importPolicyButton"));
    connect(import, &QPushButton::clicked, this, &PolicyListView::importRequested);
    return m_emptyState;
}

std::vector<std::shared_ptr<Policy>> PolicyListView::filteredPolicies() const {
    std::vector<std::shared_ptr<Policy>> policies;
    const int rows = m_model->rowCount();
    policies.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        ManagedObject* object = m_model->objectAt(row);
        policies.push_back(std::static_pointer_cast<Policy>(object->shared_from_this()));
    }
    return policies;
}

bool PolicyListView::deletePolicy(const std::shared_ptr<Policy>& policy) {
    if (!policy || policy->isDeleted()) {
        return false;
    }
    const bool wasSelected = m_selectedPolicy == policy;
    if (wasSelected) {
        setSelectedPolicy(nullptr);
    }
    const QString identifier = NotificationManager::identifierText(*policy);
    ManagedObjectContext& context = m_services.context;
    context.deleteObject(policy.get());
    if (!context.save()) {
        // Every screen saves its own change at once and undoes it when refused, so this
        // deletion is the only change in the context: the policy comes back whole, with the
        // reminders it never lost, and no later save elsewhere can write the deletion.
        context.rollback();
        if (wasSelected && !m_selectedPolicy) {
            setSelectedPolicy(policy);
        }
        return false;
    }
    m_services.reminders.cancelPolicyNotifications(identifier);
    return true;
}

void PolicyListView::selectPolicy(const QUuid& id) {
    auto policy = std::dynamic_pointer_cast<Policy>(
        m_services.context.existingObject(Policy::entityName(), id));
    if (!policy) {
        return;
    }
    setSelectedPolicy(policy);
    if (const int row = m_model->rowOf(policy.get()); row >= 0) {
        m_list->scrollTo(m_model->index(row));
    }
}

void PolicyListView::reset() {
    m_search->setText(QString());
    m_filter->setCurrentIndex(0);
    m_categoryFilter->setCategory(nullptr);
    setSelectedPolicy(nullptr);
}

void PolicyListView::setSelectedPolicy(std::shared_ptr<Policy> policy) {
    if (policy == m_selectedPolicy) {
        return;
    }
    m_selectedPolicy = std::move(policy);
    m_selectedObservation.reset();
    if (m_detail) {
        m_pane->removeWidget(m_detail);
        m_detail->deleteLater();
        m_detail = nullptr;
    }
    if (m_selectedPolicy) {
        // However it goes (here, in its pane or in another screen), a deleted policy is no
        // longer selected.
        m_selectedObservation = std::make_unique<ObjectObservation>(
            m_selectedPolicy, [](const QStringList&) {},
            [this] { QTimer::singleShot(0, this, [this] { dropDeletedSelection(); }); });
        m_detail = makePane(m_selectedPolicy);
        m_pane->addWidget(m_detail);
        m_pane->setCurrentWidget(m_detail);
    } else {
        m_pane->setCurrentWidget(m_emptyState);
    }
    m_selection->hold(m_selectedPolicy);
}

void PolicyListView::dropDeletedSelection() {
    if (m_selectedPolicy && m_selectedPolicy->isDeleted()) {
        setSelectedPolicy(nullptr);
    }
}

void PolicyListView::showContextMenu(const QPoint& position) {
    QModelIndex index = m_list->indexAt(position);
    QPoint at = position;
    if (!index.isValid()) {
        // The keyboard's menu key: the current row.
        index = m_list->currentIndex();
        if (!index.isValid()) {
            return;
        }
        at = m_list->visualRect(index).center();
    }
    auto policy =
        std::static_pointer_cast<Policy>(m_model->objectAt(index.row())->shared_from_this());
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("policyContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* remove = menu->addAction(
        Icons::icon(QStringLiteral("trash"), Palette::color(ColorName::Red, palette())),
        QStringLiteral("Elimina Polizza"));
    remove->setObjectName(QStringLiteral("deletePolicyAction"));
    connect(remove, &QAction::triggered, this, [this, policy] { deletePolicy(policy); });
    menu->addSeparator();
    QAction* told = menu->addAction(QStringLiteral("Segna come Avvisato"));
    told->setObjectName(QStringLiteral("markNotifiedAction"));
    QAction* untold = menu->addAction(QStringLiteral("Segna come Non Avvisato"));
    untold->setObjectName(QStringLiteral("markNotNotifiedAction"));
    untold->setEnabled(policy->lastNotified().has_value());
    for (const auto& choice : {std::pair(told, true), std::pair(untold, false)}) {
        connect(choice.first, &QAction::triggered, this, [this, policy, mark = choice.second] {
            ClientNoticeSave::markByHand(m_services.context, m_services.log, *policy,
                                         m_services.clock, mark);
        });
    }
    menu->popup(m_list->viewport()->mapToGlobal(at));
}

void PolicyListView::deleteFromPane(const std::shared_ptr<Policy>& policy) {
    setSelectedPolicy(nullptr);
    QTimer::singleShot(kPaneDeleteDelayMs, this, [this, policy] {
        // A refused deletion shows the policy again, unless another was chosen meanwhile.
        if (!deletePolicy(policy) && !policy->isDeleted() && !m_selectedPolicy) {
            setSelectedPolicy(policy);
        }
    });
}

QWidget* PolicyListView::makePane(const std::shared_ptr<Policy>& policy) {
    auto* pane = new PolicyDetailView(
        m_services, policy, [this, policy] { deleteFromPane(policy); }, this);
    connect(pane, &PolicyDetailView::policyDeleted, this, &PolicyListView::dropDeletedSelection);
    return pane;
}

void PolicyListView::openEditor() {
    auto* editor = new PolicyEditView(m_services.editor(), m_selectedPolicy, window());
    editor->open();
}

void PolicyListView::updateFooter() {
    const int expiring = m_model->expiringCount();
    const int expired = m_model->expiredCount();
    const int toNotify = m_model->toNotifyCount();
    const QPalette& colors = palette();
    const QColor secondary = Palette::color(ColorName::Secondary, colors);
    const qreal ratio = devicePixelRatioF();
    m_expiringIcon->setPixmap(
        Icons::pixmap(QStringLiteral("exclamationmark.triangle"), kFooterIconSize,
                      expiring > 0 ? Palette::color(ColorName::Orange, colors) : secondary, ratio));
    m_expiredIcon->setPixmap(
        Icons::pixmap(QStringLiteral("xmark.circle"), kFooterIconSize,
                      expired > 0 ? Palette::color(ColorName::Red, colors) : secondary, ratio));
    m_toNotifyIcon->setPixmap(
        Icons::pixmap(QStringLiteral("bell"), kFooterIconSize,
                      toNotify > 0 ? Palette::color(ColorName::Blue, colors) : secondary, ratio));
    m_expiringCount->setText(countText(expiring));
    m_expiredCount->setText(countText(expired));
    m_toNotifyCount->setText(countText(toNotify));
    m_total->setText(QStringLiteral("%1 total").arg(m_model->totalCount()));
    // A reader hears a label's name: each says its number and what it counts.
    m_expiringCount->setAccessibleName(QStringLiteral("%1 in scadenza").arg(expiring));
    m_expiredCount->setAccessibleName(QStringLiteral("%1 scadute").arg(expired));
    m_toNotifyCount->setAccessibleName(QStringLiteral("%1 da avvisare").arg(toNotify));
    m_total->setAccessibleName(m_total->text());
}

void PolicyListView::applyLook() {
    QPalette footerColors = m_footer->palette();
    footerColors.setColor(QPalette::Window, Palette::gray(0.05, palette()));
    m_footer->setPalette(footerColors);
    updateFooter();
}

void PolicyListView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        applyLook();
    }
}
