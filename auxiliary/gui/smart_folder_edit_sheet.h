#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QPushButton;
class QScrollArea;
class TDSmartFolderEditWindowController;
class TRRuleEditor;

// The smart-folder sheet: window-modal on the main window, the rule editor in a scroll area, Cancel and
// OK. The window grows and shrinks by a row's height per row, up to the screen's height; beyond that the
// rows scroll. It deletes itself once it has told the controller how it ended.
class TDSmartFolderEditSheet final : public QDialog {
    Q_OBJECT
public:
    TDSmartFolderEditSheet(TDSmartFolderEditWindowController& controller, QWidget* window);

    TRRuleEditor* ruleEditor() const { return m_editor; }
    QPushButton* okButton() const { return m_okButton; }

private:
    void p_fitHeightToRows();

    TDSmartFolderEditWindowController& m_controller;
    TRRuleEditor* m_editor;
    QLabel* m_match;
    QScrollArea* m_scroll;
    QDialogButtonBox* m_buttons;
    QPushButton* m_okButton;
};
