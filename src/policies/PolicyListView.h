#pragma once

#include "policies/PolicyDetailView.h"
#include "policies/PolicyEditView.h"

#include <QUuid>
#include <QWidget>

#include <memory>
#include <vector>

class CategoryPicker;
class Confirmation;
class EmptyState;
class ListSelectionKeeper;
class ObjectObservation;
class Policy;
class PolicyListModel;
class QLabel;
class QListView;
class QStackedWidget;
class SearchField;
class SegmentedControl;

// The policy section: a column with the search box, the status filter, the policies in expiry
// order and a footer of counters, beside the selected policy's pane or an empty state that
// offers to create one or to import a book from a file. It owns the deletion of policies and the
// editor sheet it opens.
//
// The selected policy is this view's own: the user's choice of a row sets it, and only a
// deletion clears it. A search or a filter that hides its row keeps it, and shows the row
// selected again when it comes back.
class PolicyListView final : public QWidget {
    Q_OBJECT
public:
    // A deletion confirmed in the pane waits this long after the pane has gone.
    static constexpr int kPaneDeleteDelayMs = 100;

    // The section hands its services whole to the selected policy's pane, and the editor's part
    // of them to its editor sheets.
    using Services = PolicyDetailView::Services;

    explicit PolicyListView(Services services, QWidget* parent = nullptr);
    ~PolicyListView() override;

    const std::shared_ptr<Policy>& selectedPolicy() const { return m_selectedPolicy; }
    // The listed policies, after the filter and the search, in expiry order.
    std::vector<std::shared_ptr<Policy>> filteredPolicies() const;
    PolicyListModel& model() const { return *m_model; }

    // Deletes the policy and saves, then cancels its reminders. A save the store refuses is
    // not reported and is undone at once: the policy stays, listed and selected as it was,
    // with its reminders. False when nothing was deleted (a policy already deleted is left
    // alone).
    bool deletePolicy(const std::shared_ptr<Policy>& policy);
    // Selects the policy with that id and shows its pane, as a click on its row would;
    // nothing when there is no such policy.
    void selectPolicy(const QUuid& id);
    // Back to a fresh section: no search, every policy, nothing selected.
    void reset();

Q_SIGNALS:
    // The empty state's "Importa da File...": the window opens the import.
    void importRequested();

private:
    QWidget* buildColumn();
    QWidget* buildHeader();
    QWidget* buildFooter();
    QWidget* buildEmptyState();
    void setSelectedPolicy(std::shared_ptr<Policy> policy);
    QWidget* makePane(const std::shared_ptr<Policy>& policy);
    void dropDeletedSelection();
    void showContextMenu(const QPoint& position);
    // The pane's confirmed delete: the pane goes at once, the policy a moment later.
    void deleteFromPane(const std::shared_ptr<Policy>& policy);
    void openEditor();
    void updateFooter();
    void applyLook();
    void changeEvent(QEvent* event) override;

    Services m_services;
    PolicyListModel* m_model;
    std::shared_ptr<Policy> m_selectedPolicy;
    std::unique_ptr<ObjectObservation> m_selectedObservation;
    SearchField* m_search = nullptr;
    SegmentedControl* m_filter = nullptr;
    CategoryPicker* m_categoryFilter = nullptr;
    QListView* m_list = nullptr;
    ListSelectionKeeper* m_selection = nullptr;
    QWidget* m_footer = nullptr;
    QLabel* m_expiringIcon = nullptr;
    QLabel* m_expiringCount = nullptr;
    QLabel* m_expiredIcon = nullptr;
    QLabel* m_expiredCount = nullptr;
    QLabel* m_toNotifyIcon = nullptr;
    QLabel* m_toNotifyCount = nullptr;
    QLabel* m_total = nullptr;
    QStackedWidget* m_pane = nullptr;
    EmptyState* m_emptyState = nullptr;
    QWidget* m_detail = nullptr;
};
