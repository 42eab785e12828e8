#include "documents/ShownDocument.h"

#include "documents/DocumentRenderer.h"

ShownDocument::ShownDocument(DocumentRenderer* renderer, QByteArray bytes, QString name)
    : m_renderer(renderer)
    , m_bytes(std::move(bytes))
    , m_name(std::move(name)) {}

ShownDocument::~ShownDocument() {
    if (m_renderer) {
        m_renderer->release(this);
    }
}

ShownDocument::Ticket ShownDocument::requestImage(int page, QSize pageSize, QRect region,
                                                  std::function<void(const QImage&)> done) {
    if (m_state != State::Ready || !m_renderer || page < 0 || page >= m_pageCount) {
        return 0;
    }
    const Ticket ticket = m_renderer->request(this, page, pageSize, region, std::move(done));
    if (ticket != 0) {
        m_tickets.insert(ticket);
    }
    return ticket;
}

void ShownDocument::cancel(Ticket ticket) {
    if (m_tickets.erase(ticket) > 0 && m_renderer) {
        m_renderer->cancel(ticket);
    }
}

void ShownDocument::becomeReady(int pageCount, std::vector<QSizeF> pageSizes) {
    if (m_state != State::Opening) {
        return;
    }
    m_state = State::Ready;
    m_pageCount = pageCount;
    m_pageSizes = std::move(pageSizes);
    Q_EMIT ready();
}

void ShownDocument::fail(const DocumentFailure& failure) {
    if (m_state == State::Failed) {
        return;
    }
    m_state = State::Failed;
    m_failure = failure;
    m_tickets.clear();
    Q_EMIT failed();
}
