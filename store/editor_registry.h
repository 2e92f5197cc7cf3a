#pragma once

#include <QList>

// A view that edits library values in place and holds an edit not yet written to its object.
class TDEditor {
public:
    virtual ~TDEditor() = default;
    // Writes the pending edit to the model; false when the edit cannot be accepted as it stands.
    virtual bool commitEditing() = 0;
};

// The editors a save asks to end their editing first, so that what the user typed reaches the store.
class TDEditorRegistry final {
public:
    void registerEditor(TDEditor* editor);  // not owned
    void unregisterEditor(TDEditor* editor);
    // Asks every editor; false when one refused (the others have still been asked).
    bool commitEditing();

private:
    QList<TDEditor*> m_editors;
};
