#include "transfer/FormulaGuard.h"

namespace FormulaGuard {
namespace {

bool isTrigger(QChar c) {
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

// Apostrophes followed by a trigger: the texts that the guard changes.
bool apostrophesThenTrigger(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u'\'') {
        ++i;
    }
    return i < text.size() && isTrigger(text[i]);
}

} // namespace

bool startsLikeFormula(const QString& text) {
    return !text.isEmpty() && isTrigger(text.front());
}

QString guarded(const QString& text) {
    return apostrophesThenTrigger(text) ? u'\'' + text : text;
}

QString unguarded(const QString& text) {
    return text.startsWith(u'\'') && apostrophesThenTrigger(text) ? text.mid(1) : text;
}

} // namespace FormulaGuard
