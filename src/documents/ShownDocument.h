#pragma once

#include "documents/DocumentFailure.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSizeF>

#include <functional>
#include <set>
#include <vector>

class DocumentRenderer;

// One screen's hold on a document the renderer shows: its pages' layout once the renderer has
// read it, the images it asks for, or why it cannot be shown. Every answer comes later, on the
// event loop; nothing here waits. Letting go of it cancels whatever it still asked for.
class ShownDocument final : public QObject {
    Q_OBJECT
public:
    enum class State { Opening, Ready, Failed };
    using Ticket = quint32;

    ~ShownDocument() override;

    const QString& name() const { return m_name; }
    // The document's bytes, as given.
    const QByteArray& bytes() const { return m_bytes; }
    State state() const { return m_state; }
    // Once ready: how many pages the document has, and the sizes (in points) of the first
    // ones, as many as the renderer lays out.
    int pageCount() const { return m_pageCount; }
    const std::vector<QSizeF>& pageSizes() const { return m_pageSizes; }
    // Once failed: why.
    const DocumentFailure& failure() const { return m_failure; }

    // Asks for the part `region` of the page drawn at `pageSize` pixels. `done` runs with the
    // image unless the ticket is cancelled first or the document fails meanwhile (failed()
    // then says so). Nothing is asked before the document is ready.
    Ticket requestImage(int page, QSize pageSize, QRect region,
                        std::function<void(const QImage&)> done);
    void cancel(Ticket ticket);

Q_SIGNALS:
    void ready();
    void failed();

private:
    friend class DocumentRenderer;

    ShownDocument(DocumentRenderer* renderer, QByteArray bytes, QString name);
    void becomeReady(int pageCount, std::vector<QSizeF> pageSizes);
    void fail(const DocumentFailure& failure);

    QPointer<DocumentRenderer> m_renderer;
    QByteArray m_bytes;
    QString m_name;
    QByteArray m_hash; // empty until worked out
    State m_state = State::Opening;
    int m_pageCount = 0;
    std::vector<QSizeF> m_pageSizes;
    DocumentFailure m_failure;
    std::set<Ticket> m_tickets;
};
