#pragma once

#include "app/library_location_chooser.h"

class QWidget;

// The choose-or-create panels as file dialogs. A library is a folder, so the open panel picks a folder
// ending in ".odllibrary" and the save panel adds that extension when it is missing.
class TDFileDialogLibraryChooser final : public TDLibraryLocationChooser {
public:
    explicit TDFileDialogLibraryChooser(QWidget* parent = nullptr) : m_parent(parent) {}
    std::optional<QString> chooseExistingLibrary() override;
    std::optional<QString> chooseNewLibraryLocation() override;

private:
    QWidget* m_parent;
};
