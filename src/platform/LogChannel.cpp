#include "platform/LogChannel.h"

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
    const char* data = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return; // Nowhere left to report it: the channel itself is the report.
        }
        data += written;
        left -= written;
    }
}
