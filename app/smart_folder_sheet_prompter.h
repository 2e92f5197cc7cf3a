#pragma once

class TDSmartFolderEditWindowController;

// Shows the smart-folder sheet on the main window. The sheet is window-modal: begin returns at once and
// the controller's sheetDidEnd follows when the person presses OK or Cancel. Tests script the answer.
class TDSmartFolderSheetPrompter {
public:
    virtual ~TDSmartFolderSheetPrompter() = default;
    virtual void beginSmartFolderSheet(TDSmartFolderEditWindowController& controller) = 0;
};
