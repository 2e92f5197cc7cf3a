#include "auxiliary/gui/smart_folder_sheet_window_prompter.h"

#include "auxiliary/gui/smart_folder_edit_sheet.h"

void TDSmartFolderSheetWindowPrompter::beginSmartFolderSheet(TDSmartFolderEditWindowController& controller) {
    // Deletes itself on closing; window-modal, so this returns at once.
    auto* sheet = new TDSmartFolderEditSheet(controller, &m_window);
    sheet->open();
}
