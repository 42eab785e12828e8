#include "agent/IdleMemoryTrim.h"

#include <malloc.h>

IdleMemoryTrim::IdleMemoryTrim(QObject* parent)
    : QObject(parent) {
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(1000);
    connect(&m_quiet, &QTimer::timeout, this, [] { ::malloc_trim(0); });
}

void IdleMemoryTrim::touch() {
    m_quiet.start();
}
