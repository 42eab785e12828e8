#pragma once

#include <QString>

#include <optional>
#include <vector>

// A task's checklist as its `subtasks` text keeps it, one line each: "[ ] text" to do,
// "[x] text" done. Any other line (a note, a "[X]" written elsewhere, a blank) is kept as it
// stands and in its place, so a text read and written back without changes is the same text.
class Checklist final {
public:
    struct Line {
        bool isItem = false;
        bool done = false;
        // An item's text after its box; any other line whole.
        QString text;
        bool operator==(const Line&) const = default;
    };

    static Checklist read(const std::optional<QString>& subtasks);
    // Nothing when there is no line at all.
    std::optional<QString> text() const;

    const std::vector<Line>& lines() const { return m_lines; }
    int itemCount() const;
    int doneCount() const;

    // An item at the end; a line break in the text would make two lines, so it reads as a space.
    void addItem(const QString& text);
    // Items only; other lines are left alone.
    void setDone(size_t line, bool done);
    void setText(size_t line, const QString& text);
    void remove(size_t line);

private:
    std::vector<Line> m_lines;
};
