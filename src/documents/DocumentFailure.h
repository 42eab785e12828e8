#pragma once

#include <QString>

// Why a document cannot be shown: the kind, for the words the screens show, and a detail in
// English for the log.
struct DocumentFailure {
    enum class Kind {
        Empty,       // no bytes at all
        NotPdf,      // bytes that are not a PDF
        Password,    // a document that needs a password
        Damaged,     // a PDF that cannot be read
        NoPages,     // a readable document without a page
        LoadTimeout, // the renderer took too long to open it and was stopped
        PageTimeout, // the renderer took too long to draw a page and was stopped
        Memory,      // the renderer ran out of its memory bound
        Crashed,     // the renderer stopped on it, twice
        Unavailable, // the renderer could not be started
    };

    Kind kind = Kind::Damaged;
    QString detail;

    // The reason in words, as the document's frame says it.
    QString words() const;
};
