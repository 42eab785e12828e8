#pragma once

#include "policies/PdfShareExport.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

class DesktopActions;
class LogChannel;
class PDFKitView;
class QPushButton;

// A policy's document in a sheet of its own: its pages, its name as the title, "Chiudi", and
// a share button that writes the document where only this user can read it and shows it in
// the file manager. It works on its own copy of the bytes and changes nothing else.
class PDFViewer final : public QDialog {
    Q_OBJECT

public:
    struct Services {
        DesktopActions& desktop;
        LogChannel& log;
        PdfShareExport exporter;
    };

    PDFViewer(const QByteArray& data, const QString& fileName, Services services,
              QWidget* parent = nullptr);

    void sharePDF();

    PDFKitView* pdfKitView() const { return m_pages; }

private:
    QWidget* buildToolbar();

    QByteArray m_data;
    QString m_fileName;
    Services m_services;
    PDFKitView* m_pages;
};
