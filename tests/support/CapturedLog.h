#pragma once

#include "platform/LogChannel.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryFile>

#include <memory>

// A log channel whose lines a test reads back.
class CapturedLog final {
public:
    CapturedLog() {
        m_file.open();
        m_channel = std::make_unique<LogChannel>(m_file.handle());
    }

    LogChannel& channel() { return *m_channel; }

    QStringList lines() const {
        QFile file(m_file.fileName());
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QTemporaryFile m_file;
    std::unique_ptr<LogChannel> m_channel;
};
