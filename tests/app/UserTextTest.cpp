// Every screen and state of the pictures, drawn over stores whose every text a user typed is a
// link in HTML: wherever such a text shows (a label, a tooltip, a message box, a list's tooltip,
// a text view), it must show as written, never as a link that a click would open.
#include "AllScreens.h"
#include "ScreenCamera.h"
#include "platform/LogChannel.h"
#include "support/ManualClock.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <set>

namespace {

const QString kMarkupStart = QStringLiteral("<a href=\"https://example.invalid/\">");

// Whether `shown` holds the markup literally: as typed, or as a CSV line gives it (the import's
// skipped rows are shown as their line, whose quotes are doubled).
bool holdsMarkupLiterally(const QString& shown) {
    return shown.contains(kMarkupStart) ||
           shown.contains(QString(kMarkupStart).replace(u'"', QStringLiteral("\"\"")));
}

// True when what a user sees of `text` holds the markup literally, or when the text is none of
// the hostile ones.
bool shownAsWritten(const QString& text, Qt::TextFormat format) {
    if (!text.contains(QLatin1String("example.invalid"))) {
        return true;
    }
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text))) {
        return holdsMarkupLiterally(text);
    }
    QTextDocument shown;
    if (format == Qt::MarkdownText) {
        shown.setMarkdown(text);
    } else {
        shown.setHtml(text);
    }
    return holdsMarkupLiterally(shown.toPlainText());
}

bool holdsAnchor(const QTextDocument& document) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            if (fragment.fragment().charFormat().isAnchor()) {
                return true;
            }
        }
    }
    return false;
}

class MarkupCamera final : public ScreenCamera {
public:
    QString text(const char* utf8) const override {
        return kMarkupStart + QString::fromUtf8(utf8) + QStringLiteral("</a>");
    }

    bool take(const QPixmap&, const QString& name) override {
        pictures.insert(name.toStdString());
        for (QWidget* widget : QApplication::allWidgets()) {
            if (widget->isVisible()) {
                inspect(*widget, name);
            }
        }
        return true;
    }

    std::vector<std::string> faults;
    std::set<std::string> picturesWithUserText;
    std::set<std::string> pictures;

private:
    void check(const QWidget& widget, const QString& picture, const char* what, const QString& text,
               Qt::TextFormat format) {
        seen(picture, text);
        if (!shownAsWritten(text, format)) {
            faults.push_back(QStringLiteral("%1: %2 of %3 (%4): %5")
                                 .arg(picture, QLatin1String(what), widget.objectName(),
                                      QLatin1String(widget.metaObject()->className()), text)
                                 .toStdString());
        }
    }

    void seen(const QString& picture, const QString& text) {
        if (text.contains(QLatin1String("example.invalid"))) {
            picturesWithUserText.insert(picture.toStdString());
        }
    }

    void inspect(const QWidget& widget, const QString& picture) {
        if (const auto* field = qobject_cast<const QLineEdit*>(&widget)) {
            seen(picture, field->text()); // plain by nature
        }
        if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
            check(widget, picture, "text", label->text(), label->textFormat());
        }
        check(widget, picture, "tooltip", widget.toolTip(), Qt::AutoText);
        if (const auto* view = qobject_cast<const QAbstractItemView*>(&widget);
            view && view->model()) {
            // Every column of a table: a file's cells sit beside its line numbers.
            const int columns = std::min(view->model()->columnCount(), 16);
            for (int row = 0; row < std::min(view->model()->rowCount(), 50); ++row) {
                for (int column = 0; column < columns; ++column) {
                    const QModelIndex index = view->model()->index(row, column);
                    seen(picture, index.data().toString()); // painted as plain text
                    check(widget, picture, "row tooltip", index.data(Qt::ToolTipRole).toString(),
                          Qt::AutoText);
                }
            }
        }
        if (const auto* edit = qobject_cast<const QTextEdit*>(&widget);
            edit && holdsAnchor(*edit->document())) {
            faults.push_back(QStringLiteral("%1: a link in text view %2")
                                 .arg(picture, widget.objectName())
                                 .toStdString());
        }
    }
};

TEST(UserText, EveryScreenShowsWhatAUserTypedAsWrittenNeverAsMarkup) {
    ManualClock clock(screensInstant());
    MarkupCamera camera;
    ASSERT_TRUE(shootAllScreens(camera, clock, LogChannel::standardOutput()));

    EXPECT_EQ(camera.faults, std::vector<std::string>());
    // Only the screens without any stored text show none: the camera really saw the others.
    std::set<std::string> withoutUserText;
    for (const std::string& picture : camera.pictures) {
        if (!camera.picturesWithUserText.contains(picture)) {
            withoutUserText.insert(picture);
        }
    }
    // The contact section of the main window is empty there, the new-policy editor shows
    // contacts only inside its picker's list (the new event and task editors their
    // categories), the export sheet shows only counts, and the
    // backup screens dates, counts and the paths of files and folders.
    const std::set<std::string> expected = {
        "settings-general.png",
        "settings-notifications.png",
        "settings-calendar.png",
        "settings-about.png",
        "contact-editor-empty.png",
        "main-window-empty.png",
        "contacts-empty.png",
        "popover-empty.png",
        "drop-zone-targeted.png",
        "main-window-contacts.png",
        "policy-editor-empty.png",
        "event-editor-new.png",
        "task-editor-new.png",
        "export-sheet.png",
        "restore-sheet.png",
        "restore-confirmation.png",
        "restore-sheet-refused.png",
        "damaged-store.png",
        "settings-backup.png",
        "settings-backup-failure.png",
        "renewal-report-sheet.png",
        // A picture of the PDF's first page: the report's own tests read its text back.
        "renewal-report-page.png",
    };
    EXPECT_EQ(withoutUserText, expected);
}

} // namespace
