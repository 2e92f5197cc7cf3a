#pragma once

#include "sync/sync_skipped_objects.h"

#include <QDialog>

#include <functional>

class QTableWidget;
class TDLibraryManager;
class TDLibraryObject;

// The objects a sync left out because they are too large for the service, one row each; a double
// click reveals the row's object in the main window.
class TDSyncSkippedWindow final : public QDialog {
    Q_OBJECT
public:
    using Reveal = std::function<void(TDLibraryObject* object)>;

    TDSyncSkippedWindow(TDLibraryManager& manager, Reveal reveal, QWidget* parent = nullptr);

    void setSkippedObjects(const QStringList& objectURIs);
    const QList<TDSkippedObjectRow>& rows() const { return m_rows; }
    QTableWidget* table() const { return m_table; }
    void revealRow(int row);

private:
    TDLibraryManager& m_manager;
    Reveal m_reveal;
    QTableWidget* m_table;
    QList<TDSkippedObjectRow> m_rows;
};
