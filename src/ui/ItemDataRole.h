#pragma once

#include <Qt>

// The roles of every list model, declared once: delegates read these and know nothing of the
// entity behind a row. Qt::DisplayRole reads as TitleRole.
enum ItemDataRole : int {
    ObjectRole = Qt::UserRole + 1, // the row's ManagedObject*
    TitleRole,                     // QString
    SubtitleRole,                  // QString, empty when there is none
    DetailRole,                    // QString: a date, a count, a phrase beside the title
    ColorNameRole,                 // QString: a colour name the palette knows ("red", ...),
                                   // or a ColorName
    NoteRole,                      // QString: a short line under the detail, empty when none
    InitialsRole,                  // QString: the letters in a row's avatar
    CategoryColorRole,             // QString: the colour name of the row's category; none
                                   // when it has no category
    NotifiedRole,                  // bool: the client was told of what the row is about
};
