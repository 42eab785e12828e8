#pragma once

#include <QDialog>
#include <QPointer>

#include <vector>

class QBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class TextArea;

// The frame of every editor: a title and subtitle with an "Annulla" button beside them,
// sections of cards, and a row with a second "Annulla" and the save button, all in one
// scrolling form. It opens window-modal over the window that opens it (with open(), never a
// nested event loop) and deletes itself when closed.
//
// Escape closes it without saving (the dialog's own handler, no second shortcut); Ctrl+Return
// and Ctrl+Enter save only while the save button is enabled. No button is the dialog's
// default, so Return in a field never presses one.
//
// An editor holds its values in a draft of plain values and binds each field to one of them
// with addField() or addNotes(): the field shows the draft's value, and every edit is written
// back into the draft at once, after which draftEdited() runs.
class EditorSheet : public QDialog {
    Q_OBJECT
public:
    EditorSheet(const QString& title, const QString& subtitle, const QString& saveText,
                QWidget* parent = nullptr);

    // A section below the previous ones: its label with an icon above `card`. The card's
    // fields follow the previous section's in the tab order.
    QWidget* addSection(const QString& label, const QString& iconName, QWidget* card,
                        const QString& objectName);
    QPushButton* saveButton() const { return m_save; }
    void setSaveEnabled(bool enabled);
    void setSaveText(const QString& text);
    // Both "Annulla" buttons; a sheet whose work is done leaves only the save button.
    void setCancelShown(bool shown);

    // Whether the values differ from those the sheet opened with.
    virtual bool hasChanges() const = 0;
    // Saves as the save button does: false, the sheet staying open, while the button is
    // disabled or when the save failed.
    bool saveNow();
    // Chains every control of the sheet in the order a reader meets them, top to bottom and
    // left to right: the header's "Annulla", the sections' controls, then the two buttons.
    // Done when the sheet is shown; a section that replaces its content calls it again.
    void refreshTabOrder();

protected:
    // A second action beside the save button, before it, for a sheet that offers two ways to
    // finish (saving a file or printing it); its clicks are the sheet's to connect.
    QPushButton* addSecondaryAction(const QString& text, const QString& objectName);
    // The sections' largest width (520 by default): a sheet showing a table takes more.
    void setSectionWidth(int width);
    // A widget between the last section and the buttons, as wide as the sections.
    void addAboveActions(QWidget* widget);
    // The line that says why the draft cannot be saved yet ("saveHint"), above the buttons.
    void addSaveHint();
    // Save enabled when `why` is empty; otherwise disabled, with `why` on the hint line and
    // told by the button to a pointer and a screen reader.
    void showSaveBlockedReason(const QString& why);
    // A text field under its caption, added to `into` and bound to `value`, a member of the
    // editor's draft.
    QLineEdit* addField(QBoxLayout* into, const QString& caption, const QString& placeholder,
                        const QString& objectName, QString& value);
    // `edit` bound to `value`: for a field that is not under a caption.
    void bind(QLineEdit* edit, QString& value);
    // The notes field ("Note") of `height`, added to `into` and bound to `value`.
    TextArea* addNotes(QBoxLayout* into, int height, QString& value);
    // A bound field wrote into the draft.
    virtual void draftEdited() {}

    // The save button's action: write the draft, save, and close on success (true).
    virtual bool save() = 0;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Tab and Shift+Tab follow the chain of refreshTabOrder() and wrap from the last control
    // to the first and back (Qt's own wrapping skips the header's "Annulla").
    bool focusNextPrevChild(bool next) override;

private:
    QWidget* buildHeader(const QString& title, const QString& subtitle);
    QWidget* buildActions(const QString& saveText);
    QPushButton* makeCancelButton(const QString& objectName);
    void saveIfEnabled();
    void applyLook();
    static QWidget* tabUnit(QWidget* widget);

    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QPushButton* m_headerCancel = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_save = nullptr;
    QLabel* m_saveHint = nullptr;
    std::vector<QPointer<QWidget>> m_tabStops;
    QWidget* m_sectionColumn = nullptr;
    QVBoxLayout* m_form = nullptr;
    QWidget* m_actions = nullptr;
    QVBoxLayout* m_sections = nullptr;
};
