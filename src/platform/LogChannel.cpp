#include "platform/LogChannel.h"

#include "platform/PosixWrites.h"

#include <QByteArray>

#include <cerrno>
#include <unistd.h>

LogChannel::LogChannel(int fileDescriptor)
    : m_fd(fileDescriptor) {}

LogChannel& LogChannel::standardOutput() {
    static LogChannel channel(STDOUT_FILENO);
    return channel;
}

void LogChannel::write(const QString& message) {
    QString escaped = message;
    escaped.replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
    QByteArray line = escaped.toUtf8();
    line.append('\n');

    const std::lock_guard lock(m_mutex);
    // A failure goes unreported: the channel itself is where it would be reported.
    PosixWrites::writeAll(m_fd, line);
}
