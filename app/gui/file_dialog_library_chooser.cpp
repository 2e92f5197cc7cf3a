#include "app/gui/file_dialog_library_chooser.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace {

const QString kExtension = QStringLiteral(".odllibrary");

QString tr(const char* text) {
    return QCoreApplication::translate("TDFileDialogLibraryChooser", text);
}

}  // namespace

std::optional<QString> TDFileDialogLibraryChooser::chooseExistingLibrary() {
    for (;;) {
        const QString path = QFileDialog::getExistingDirectory(m_parent, tr("Open Ordello Library"));
        if (path.isEmpty()) return std::nullopt;
        if (path.endsWith(kExtension)) return path;
    }
}

std::optional<QString> TDFileDialogLibraryChooser::chooseNewLibraryLocation() {
    QString path = QFileDialog::getSaveFileName(m_parent, tr("New Ordello Library"), QString(),
                                                tr("Ordello Library (*.odllibrary)"));
    if (path.isEmpty()) return std::nullopt;
    if (!path.endsWith(kExtension)) path += kExtension;
    return path;
}
