#pragma once

#include "store/LiveFetchResultsListener.h"

#include <functional>
#include <utility>

// Hears every change of a live fetch alike: `changed` is called after each row inserted,
// removed, moved or changed, and after a reset. For what recounts or re-reads the whole fetch
// rather than following its rows.
class AnyChangeListener : public LiveFetchResultsListener {
public:
    explicit AnyChangeListener(std::function<void()> changed)
        : m_changed(std::move(changed)) {}

    void willInsertRow(int) override {}
    void didInsertRow(int) override { m_changed(); }
    void willRemoveRow(int) override {}
    void didRemoveRow(int) override { m_changed(); }
    void willMoveRow(int, int) override {}
    void didMoveRow(int, int) override { m_changed(); }
    void didChangeRow(int) override { m_changed(); }
    void willResetRows() override {}
    void didResetRows() override { m_changed(); }

private:
    std::function<void()> m_changed;
};
