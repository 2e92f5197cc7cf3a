#pragma once

#include "app/smart_folder_sheet_prompter.h"

class QWidget;

// Opens the smart-folder sheet on the main window.
class TDSmartFolderSheetWindowPrompter final : public TDSmartFolderSheetPrompter {
public:
    explicit TDSmartFolderSheetWindowPrompter(QWidget& window) : m_window(window) {}
    void beginSmartFolderSheet(TDSmartFolderEditWindowController& controller) override;

private:
    QWidget& m_window;
};
