#include "store/editor_registry.h"

void TDEditorRegistry::registerEditor(TDEditor* editor) {
    if (editor && !m_editors.contains(editor)) m_editors.append(editor);
}

void TDEditorRegistry::unregisterEditor(TDEditor* editor) {
    m_editors.removeAll(editor);
}

bool TDEditorRegistry::commitEditing() {
    bool committed = true;
    // A copy: an editor may leave the registry while it ends its editing.
    const QList<TDEditor*> editors = m_editors;
    for (TDEditor* editor : editors)
        if (!editor->commitEditing()) committed = false;
    return committed;
}
