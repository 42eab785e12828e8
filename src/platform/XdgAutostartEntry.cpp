#include "platform/XdgAutostartEntry.h"

#include "platform/PrivateFolders.h"
#include "platform/ReminderBus.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// A value of type string: backslash, line breaks and tabs escaped, a leading blank kept.
QString escapeString(const QString& value) {
    QString escaped;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            escaped += QStringLiteral("\\\\");
            break;
        case '\n':
            escaped += QStringLiteral("\\n");
            break;
        case '\t':
            escaped += QStringLiteral("\\t");
            break;
        case '\r':
            escaped += QStringLiteral("\\r");
            break;
        default:
            escaped += c;
        }
    }
    if (escaped.startsWith(QLatin1Char(' '))) {
        escaped.replace(0, 1, QStringLiteral("\\s"));
    }
    return escaped;
}

// One Exec argument, always quoted, so that blanks and the reserved characters of a path
// reach the program as they are; "%" would be read as a field code.
QString quoteArgument(const QString& argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            quoted += QLatin1Char('\\');
        } else if (c == QLatin1Char('%')) {
            quoted += QLatin1Char('%');
        }
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

} // namespace

XdgAutostartEntry::XdgAutostartEntry(QString configHome, QString executable)
    : m_configHome(std::move(configHome))
    , m_executable(std::move(executable)) {}

QString XdgAutostartEntry::defaultConfigHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString XdgAutostartEntry::filePath() const {
    return m_configHome + QStringLiteral("/autostart/") + ReminderBus::kApplicationService +
           QStringLiteral(".desktop");
}

bool XdgAutostartEntry::isEnabled() const {
    return QFileInfo::exists(filePath());
}

std::optional<QString> XdgAutostartEntry::setEnabled(bool enabled) {
    return enabled ? write() : remove();
}

QByteArray XdgAutostartEntry::contents(const QString& executable) {
    const QString text =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Quintaver Scheduler\n"
                       "Comment=Shows the policies that need attention from the panel\n"
                       "Exec=%1\n"
                       "TryExec=%2\n"
                       "Icon=%3\n"
                       "Terminal=false\n"
                       "X-GNOME-Autostart-enabled=true\n"
                       // The panel icon needs the panel's tray to be there first.
                       "X-KDE-autostart-after=panel\n")
            .arg(escapeString(quoteArgument(executable)), escapeString(executable),
                 ReminderBus::kApplicationService);
    return text.toUtf8();
}

std::optional<QString> XdgAutostartEntry::write() const {
    if (m_configHome.isEmpty() || !QFileInfo(m_executable).isAbsolute()) {
        return QStringLiteral("No configuration folder or program path is known");
    }
    if (std::optional<QString> error = makePrivateFolders(QFileInfo(filePath()).absolutePath())) {
        return error;
    }
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(contents(m_executable)) < 0 ||
        !file.commit()) {
        return QStringLiteral("Cannot write %1: %2").arg(filePath(), file.errorString());
    }
    return std::nullopt;
}

std::optional<QString> XdgAutostartEntry::remove() const {
    QFile file(filePath());
    if (!file.exists() || file.remove()) {
        return std::nullopt;
    }
    return QStringLiteral("Cannot remove %1: %2").arg(filePath(), file.errorString());
}
