#include "model/Checklist.h"

#include <QStringList>

#include <algorithm>

namespace {

constexpr QLatin1StringView kToDo("[ ] ");
constexpr QLatin1StringView kDone("[x] ");

QString oneLine(QString text) {
    return text.replace(u'\n', u' ');
}

} // namespace

Checklist Checklist::read(const std::optional<QString>& subtasks) {
    Checklist checklist;
    if (!subtasks) {
        return checklist;
    }
    for (const QString& line : subtasks->split(u'\n')) {
        if (line.startsWith(kToDo) || line.startsWith(kDone)) {
            checklist.m_lines.push_back({true, line.startsWith(kDone), line.mid(kToDo.size())});
        } else {
            checklist.m_lines.push_back({false, false, line});
        }
    }
    return checklist;
}

std::optional<QString> Checklist::text() const {
    if (m_lines.empty()) {
        return std::nullopt;
    }
    QStringList lines;
    lines.reserve(qsizetype(m_lines.size()));
    for (const Line& line : m_lines) {
        lines.append(line.isItem ? (line.done ? kDone : kToDo) + line.text : line.text);
    }
    return lines.join(u'\n');
}

int Checklist::itemCount() const {
    return int(std::count_if(m_lines.begin(), m_lines.end(),
                             [](const Line& line) { return line.isItem; }));
}

int Checklist::doneCount() const {
    return int(std::count_if(m_lines.begin(), m_lines.end(),
                             [](const Line& line) { return line.isItem && line.done; }));
}

void Checklist::addItem(const QString& text) {
    m_lines.push_back({true, false, oneLine(text)});
}

void Checklist::setDone(size_t line, bool done) {
    if (line < m_lines.size() && m_lines[line].isItem) {
        m_lines[line].done = done;
    }
}

void Checklist::setText(size_t line, const QString& text) {
    if (line < m_lines.size() && m_lines[line].isItem) {
        m_lines[line].text = oneLine(text);
    }
}

void Checklist::remove(size_t line) {
    if (line < m_lines.size()) {
        m_lines.erase(m_lines.begin() + qsizetype(line));
    }
}
