#pragma once

#include <QByteArray>
#include <QString>

#include <ostream>
#include <vector>

// PDF documents made by the tests: ordinary ones, and the hostile kinds a client could send by
// e-mail, each built by hand to the PDF file format so that it reaches the reader as written.
namespace TestPdfs {

// `pages` A4 pages; page i (from 0) carries a black bar across the top, (i + 1) tenths of the
// page wide (wrapping after ten), so that a drawn page says which one it is.
QByteArray pages(int pages);

struct Hostile {
    const char* name;
    QByteArray bytes;
    bool showable; // drawn, within bounds; every other one cannot be shown
};
// For the tests' own names and messages.
inline void PrintTo(const Hostile& hostile, std::ostream* out) {
    *out << hostile.name;
}

QByteArray selfReferencingPageTree();      // a page tree that lists itself as its own kid
QByteArray deepPageTree(int levels);       // a chain of page-tree nodes, then one page
QByteArray selfPaintingPattern();          // a tiling pattern whose tiny cell paints itself
QByteArray doublingFormFanOut(int levels); // each form draws the next twice
QByteArray extremePageShape();             // a page 10 points wide and 14,400 tall
QByteArray millionSharedPages();           // a page tree of shared nodes claiming 10^6 pages
QByteArray encryptedWithUserPassword();    // needs a password nobody gave
QByteArray jpegNamedPdf();                 // a JPEG image

// Every hostile kind above, and the empty file.
std::vector<Hostile> hostile();

} // namespace TestPdfs
