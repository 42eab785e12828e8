#include "transfer/FullNameSplitter.h"

#include <QSet>
#include <QStringList>

namespace FullNameSplitter {
namespace {

bool isParticle(const QString& word) {
    static const QSet<QString> particles = {
        QStringLiteral("de"),  QStringLiteral("di"),    QStringLiteral("da"),
        QStringLiteral("del"), QStringLiteral("della"), QStringLiteral("dello"),
        QStringLiteral("dei"), QStringLiteral("degli"), QStringLiteral("delle"),
        QStringLiteral("dal"), QStringLiteral("dalla"), QStringLiteral("lo"),
        QStringLiteral("la"),  QStringLiteral("li"),    QStringLiteral("van"),
        QStringLiteral("von"), QStringLiteral("der"),   QStringLiteral("den"),
        QStringLiteral("mac"), QStringLiteral("mc"),    QStringLiteral("st"),
    };
    const QString lower = word.toLower();
    return particles.contains(lower) || lower.startsWith(QStringLiteral("d'")) ||
           lower.startsWith(QStringLiteral("dell'")) || lower.startsWith(QStringLiteral("dall'"));
}

} // namespace

Parts split(QStringView fullName, bool lastNameFirst) {
    const QString text = fullName.toString().simplified();
    const qsizetype comma = text.indexOf(u',');
    if (comma >= 0) {
        return {text.mid(comma + 1).trimmed(), text.left(comma).trimmed()};
    }
    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    if (words.size() <= 1) {
        return {QString(), text};
    }
    if (lastNameFirst) {
        // The last name is the first word and any particles with the word after them.
        qsizetype end = 1;
        while (end < words.size() - 1 && isParticle(words[end - 1])) {
            ++end;
        }
        return {words.mid(end).join(u' '), words.mid(0, end).join(u' ')};
    }
    qsizetype begin = words.size() - 1;
    for (qsizetype i = 1; i < words.size() - 1; ++i) {
        if (isParticle(words[i])) {
            begin = i;
            break;
        }
    }
    return {words.mid(0, begin).join(u' '), words.mid(begin).join(u' ')};
}

} // namespace FullNameSplitter
