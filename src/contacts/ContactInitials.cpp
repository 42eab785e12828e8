#include "contacts/ContactInitials.h"

#include <QTextBoundaryFinder>

namespace {

QString firstGrapheme(const QString& text) {
    if (text.isEmpty()) {
        return {};
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    const qsizetype end = finder.toNextBoundary();
    return text.left(end > 0 ? end : text.size());
}

} // namespace

namespace ContactInitials {

QString of(const QString& firstName, const QString& lastName) {
    return (firstGrapheme(firstName) + firstGrapheme(lastName)).toUpper();
}

} // namespace ContactInitials
