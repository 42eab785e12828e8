#include "documents/DocumentFailure.h"

QString DocumentFailure::words() const {
    switch (kind) {
    case Kind::Empty:
        return QStringLiteral("Il file è vuoto.");
    case Kind::NotPdf:
        return QStringLiteral("Il file non è un documento PDF.");
    case Kind::Password:
        return QStringLiteral("Il documento è protetto da una password.");
    case Kind::Damaged:
        return QStringLiteral("Il documento è danneggiato.");
    case Kind::NoPages:
        return QStringLiteral("Il documento non ha pagine.");
    case Kind::LoadTimeout:
        return QStringLiteral("L'apertura del documento richiedeva troppo tempo.");
    case Kind::PageTimeout:
        return QStringLiteral("Il disegno di una pagina richiedeva troppo tempo.");
    case Kind::Memory:
        return QStringLiteral("Il documento richiedeva troppa memoria.");
    case Kind::Crashed:
        return QStringLiteral("Il lettore di documenti si è interrotto su questo documento.");
    case Kind::Unavailable:
        return QStringLiteral("Il lettore di documenti non è disponibile.");
    }
    return QString();
}
