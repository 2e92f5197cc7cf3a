#pragma once

#include <QString>

#include <optional>

// The two panels of the choose-or-create question: an existing library ("Open Ordello Library") or the
// place of a new one ("New Ordello Library"), both limited to "odllibrary" packages. Nothing when the
// user cancelled.
class TDLibraryLocationChooser {
public:
    virtual ~TDLibraryLocationChooser() = default;
    virtual std::optional<QString> chooseExistingLibrary() = 0;
    virtual std::optional<QString> chooseNewLibraryLocation() = 0;
};
