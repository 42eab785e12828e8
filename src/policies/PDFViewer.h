#pragma once

#include "policies/PDFShareExport.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

class DesktopActions;
class DocumentRenderer;
class LogChannel;
class PdfPageView;
class QLabel;

// A policy's document in a sheet of its own: its pages, its name as the title, "Chiudi", and
// a share button that writes the document where only this user can read it and shows it in
// the file manager. It works on its own copy of the bytes and changes nothing else. The pages
// are drawn by the document renderer; a document it cannot show says why, and can be opened
// with the desktop's own viewer instead.
class PDFViewer final : public QDialog {
    Q_OBJECT

public:
    struct Services {
        DesktopActions& desktop;
        LogChannel& log;
        PDFShareExport exporter;
        DocumentRenderer& documents;
    };

    PDFViewer(const QByteArray& data, const QString& fileName, Services services,
              QWidget* parent = nullptr);

    void sharePDF();
    // Writes the document privately, as sharePDF() does, and asks the desktop to open it with
    // its own program for PDF documents.
    void openWithSystemViewer();
    // The same for any document, from any screen.
    static void openWithSystemViewer(const QByteArray& data, const QString& fileName,
                                     const Services& services);

    PdfPageView* pageView() const { return m_pages; }

private:
    QWidget* buildToolbar();
    void showPagesLeftOut();

    QByteArray m_data;
    QString m_fileName;
    Services m_services;
    PdfPageView* m_pages;
    QLabel* m_more;
};
