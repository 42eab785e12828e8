#include "policies/DropZoneView.h"
#include "policies/PDFAttachmentView.h"
#include "policies/PDFViewer.h"
#include "support/CapturedLog.h"
#include "support/FakeDesktopActions.h"
#include "support/StallWatch.h"
#include "support/TestPdfs.h"
#include "support/TestRenderer.h"
#include "ui/PdfPageView.h"

#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

std::unique_ptr<QMimeData> filesOffered(const QStringList& paths) {
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls.append(QUrl::fromLocalFile(path));
    }
    mime->setUrls(urls);
    return mime;
}

// The offscreen platform has no drag and drop: the events a drag would bring are sent as is.
bool dragEnter(DropZoneView& zone, const QMimeData& mime) {
    QDragEnterEvent event(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&zone, &event);
    return event.isAccepted();
}

void drop(DropZoneView& zone, const QMimeData& mime) {
    QDropEvent event(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&zone, &event);
}

TEST(DropZoneView, TakesTheFirstPdfDraggedOntoItAndAsksForTheDialogOnAClickOrKey) {
    DropZoneView zone;
    zone.resize(400, 140);
    zone.show();
    QSignalSpy dropped(&zone, &DropZoneView::dropped);
    QSignalSpy tapped(&zone, &DropZoneView::tapped);

    const auto text = filesOffered({QStringLiteral("/tmp/notes.txt")});
    EXPECT_FALSE(dragEnter(zone, *text));
    EXPECT_FALSE(zone.isTargeted());

    const auto pdfs =
        filesOffered({QStringLiteral("/tmp/Polizza Casa.pdf"), QStringLiteral("/tmp/b.pdf")});
    EXPECT_TRUE(dragEnter(zone, *pdfs));
    EXPECT_TRUE(zone.isTargeted());
    const QImage highlighted = zone.grab().toImage();
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&zone, &leave);
    EXPECT_FALSE(zone.isTargeted());
    EXPECT_NE(zone.grab().toImage(), highlighted);

    dragEnter(zone, *pdfs);
    drop(zone, *pdfs);
    EXPECT_FALSE(zone.isTargeted());
    ASSERT_EQ(dropped.size(), 1);
    EXPECT_EQ(dropped.at(0).at(0).toString(), QStringLiteral("/tmp/Polizza Casa.pdf"));

    QTest::mouseClick(&zone, Qt::LeftButton);
    zone.setFocus();
    QTest::keyClick(&zone, Qt::Key_Space);
    EXPECT_EQ(tapped.size(), 2);
}

TEST(PDFAttachmentView, ShowsTheNameShortenedInTheMiddleAndTheSizeInDecimalUnits) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(PDFAttachmentView::sizeText(0, english), QStringLiteral("0 bytes"));
    EXPECT_EQ(PDFAttachmentView::sizeText(1'500, english), QStringLiteral("1.5 kB"));
    EXPECT_EQ(PDFAttachmentView::sizeText(20'000'000, english), QStringLiteral("20.0 MB"));

    const QString longName =
        QStringLiteral("Polizza ") + QString(80, QLatin1Char('x')) + QStringLiteral(" fine.pdf");
    PDFAttachmentView row(longName, 1'500);
    row.resize(360, 84);
    row.show();
    const QString shown = row.findChild<QLabel*>(QStringLiteral("pdfFileName"))->text();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Polizza"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("fine.pdf"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026)));

    QSignalSpy view(&row, &PDFAttachmentView::viewRequested);
    QSignalSpy remove(&row, &PDFAttachmentView::removeRequested);
    row.findChild<QPushButton*>(QStringLiteral("viewPdfButton"))->click();
    row.findChild<QPushButton*>(QStringLiteral("removePdfButton"))->click();
    EXPECT_EQ(view.size(), 1);
    EXPECT_EQ(remove.size(), 1);
}

// Whether the text, read as the tool tip reads it, holds a link.
bool holdsLink(const QString& richText) {
    QTextDocument document;
    document.setHtml(richText);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            if (fragment.fragment().charFormat().isAnchor()) {
                return true;
            }
        }
    }
    return false;
}

// A file name is the user's own text: shown as written, never read as markup or as a link.
TEST(DocumentWidgets, ShowAUserChosenFileNameAsPlainTextAndThePageCount) {
    const QString name = QStringLiteral("<a href=\"https://example.invalid\">x</a>.pdf");
    CapturedLog log;
    DocumentRenderer documents(TestRenderer::executable(), log.channel(), TestRenderer::limits());
    PDFAttachmentView row(name, 1500);
    row.resize(700, 84);
    row.show();
    auto* label = row.findChild<QLabel*>(QStringLiteral("pdfFileName"));
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), name);
    QTextDocument tip;
    tip.setHtml(label->toolTip());
    EXPECT_EQ(tip.toPlainText(), name);
    EXPECT_FALSE(holdsLink(label->toolTip()));
    row.setDocument(documents.show(TestPdfs::pages(12), name));
    EXPECT_TRUE(waitSleeping([&] {
        return row.findChild<QLabel*>(QStringLiteral("pdfPageCount"))->text() ==
               QStringLiteral("12 pagine");
    }));

    FakeDesktopActions desktop;
    QTemporaryDir runtime;
    PDFViewer viewer(
        QByteArray("%PDF"), name,
        {desktop, log.channel(), PDFShareExport(runtime.path(), QString()), documents});
    auto* title = viewer.findChild<QLabel*>(QStringLiteral("viewerTitle"));
    EXPECT_EQ(title->textFormat(), Qt::PlainText);
    EXPECT_EQ(title->text(), name);
    EXPECT_EQ(viewer.windowTitle(), name);
}

TEST(PDFViewer, SharesItsBytesPrivatelyAndRevealsThemOrLogsWhyNot) {
    QTemporaryDir runtime;
    FakeDesktopActions desktop;
    CapturedLog log;
    DocumentRenderer documents(TestRenderer::executable(), log.channel(), TestRenderer::limits());
    const QByteArray bytes("not a readable pdf");
    auto* viewer = new PDFViewer(
        bytes, QStringLiteral("Document"),
        {desktop, log.channel(), PDFShareExport(runtime.path(), QString()), documents});
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Document"));
    EXPECT_GE(viewer->minimumWidth(), 600);
    EXPECT_GE(viewer->minimumHeight(), 700);
    EXPECT_EQ(viewer->pageView()->pagesLaidOut(), 0);

    viewer->findChild<QPushButton*>(QStringLiteral("sharePdfButton"))->click();
    const QString exported = runtime.path() + QStringLiteral("/org.quintaver.Scheduler/Document");
    EXPECT_EQ(desktop.revealedFiles, QStringList{exported});
    QFile file(exported);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
    EXPECT_TRUE(log.lines().filter(QStringLiteral("Error saving")).isEmpty());
    delete viewer;

    // No folder it may write to: one line, nothing revealed.
    PDFViewer failing(bytes, QStringLiteral("a.pdf"),
                      {desktop, log.channel(), PDFShareExport(QString(), QString()), documents});
    failing.sharePDF();
    EXPECT_EQ(desktop.revealedFiles.size(), 1);
    ASSERT_EQ(log.lines().filter(QStringLiteral("Error saving PDF for sharing: ")).size(), 1);
}

} // namespace
