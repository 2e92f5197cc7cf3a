#include "sync/gui/sync_skipped_window.h"

#include "store/library_manager.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

TDSyncSkippedWindow::TDSyncSkippedWindow(TDLibraryManager& manager, Reveal reveal, QWidget* parent)
    : QDialog(parent), m_manager(manager), m_reveal(std::move(reveal)), m_table(new QTableWidget(this)) {
    setWindowTitle(tr("Skipped Objects"));
    auto* explanation = new QLabel(
        tr("These items are too large to sync and were left out. Double-click one to show it."), this);
    explanation->setWordWrap(true);
    m_table->setColumnCount(1);
    m_table->horizontalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(m_table);
    resize(420, 300);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { revealRow(row); });
}

void TDSyncSkippedWindow::setSkippedObjects(const QStringList& objectURIs) {
    m_rows = TDSkippedObjectRows(m_manager.library(), objectURIs);
    m_table->setRowCount(static_cast<int>(m_rows.size()));
    for (int row = 0; row < m_rows.size(); ++row)
        m_table->setItem(row, 0, new QTableWidgetItem(m_rows[row].content.left(200)));
}

void TDSyncSkippedWindow::revealRow(int row) {
    if (row < 0 || row >= m_rows.size()) return;
    if (TDLibraryObject* object = TDSkippedObjectToReveal(m_manager.library(), m_rows[row].objectID))
        if (m_reveal) m_reveal(object);
}
