#include "sync/gui/calendar_sync_preference_pane.h"

#include "app/gui/group_images.h"
#include "foundation/alert.h"
#include "model/group.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("TDCalendarSyncPane", text);
}
constexpr int kGroupRole = Qt::UserRole + 1;
constexpr int kUidRole = Qt::UserRole + 2;
}  // namespace

TDCalendarSyncPane::TDCalendarSyncPane(TDLibraryManager& manager, TDCalendarStoreSyncManager* calendarSync,
                                       TDAlertPrompter& sheets, FolderChooser chooseFolder)
    : m_sheets(sheets),
      m_chooseFolder(std::move(chooseFolder)),
      m_controller(std::make_unique<TDCalendarSyncPreferencesController>(
          manager, calendarSync, static_cast<TDCalendarSyncPaneHost&>(*this))) {
}

TDCalendarSyncPane::~TDCalendarSyncPane() {
    // The controller starts the pass as it goes, while the view still exists.
    m_controller.reset();
}

QWidget* TDCalendarSyncPane::view() {
    if (m_view) return m_view.get();
    m_view = std::make_unique<QWidget>();
    m_switch = new QCheckBox(tr("Sync tasks with calendars"), m_view.get());
    m_folder = new QLabel(m_view.get());
    m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_folder->setWordWrap(true);
    m_changeFolder = new QPushButton(tr("Change Folder…"), m_view.get());
    m_changeFolder->setToolTip(tr("Calendar sync must be off to choose another calendar folder."));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(m_changeFolder);
    m_calendars = new QListWidget(m_view.get());
    m_calendars->setDragDropMode(QAbstractItemView::InternalMove);
    m_calendars->setSelectionMode(QAbstractItemView::SingleSelection);
    m_groups = new QTreeWidget(m_view.get());
    m_groups->setHeaderHidden(true);
    m_groups->setSelectionMode(QAbstractItemView::NoSelection);
    m_mode = new QComboBox(m_view.get());
    m_mode->addItem(tr("Lists"), TDCalendarSyncPreferencesController::ListsMode);
    m_mode->addItem(tr("Tags"), TDCalendarSyncPreferencesController::TagsMode);

    // One grid row for both headers: the mode pop-up makes its header taller, and both labels and
    // both lists still start at the same height.
    auto* groupsHeader = new QHBoxLayout;
    groupsHeader->addWidget(new QLabel(tr("Sync with:"), m_view.get()));
    groupsHeader->addStretch(1);
    groupsHeader->addWidget(m_mode);
    auto* columns = new QGridLayout;
    columns->addWidget(new QLabel(tr("Calendars:"), m_view.get()), 0, 0);
    columns->addLayout(groupsHeader, 0, 1);
    columns->addWidget(m_calendars, 1, 0);
    columns->addWidget(m_groups, 1, 1);
    columns->setColumnStretch(0, 1);
    columns->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(m_view.get());
    layout->addWidget(m_switch);
    layout->addLayout(folderRow);
    layout->addLayout(columns, 1);
    m_view->setMinimumSize(560, 380);

    TDCalendarSyncPreferencesController* controller = m_controller.get();
    QObject::connect(m_switch, &QCheckBox::clicked, controller,
                     &TDCalendarSyncPreferencesController::toggleCalendarStoreSync);
    QObject::connect(controller, &TDCalendarSyncPreferencesController::syncEnabledChanged, m_switch,
                     [this] { m_switch->setChecked(m_controller->calendarStoreSyncEnabled()); });
    // Rebuilt on the next turn: a change may come from a check box of the very row being rebuilt.
    QObject::connect(
        controller, &TDCalendarSyncPreferencesController::calendarsChanged, m_calendars,
        [this] { p_showCalendars(); }, Qt::QueuedConnection);
    QObject::connect(
        controller, &TDCalendarSyncPreferencesController::groupsChanged, m_groups, [this] { p_showGroups(); },
        Qt::QueuedConnection);
    QObject::connect(m_calendars, &QListWidget::currentRowChanged, controller, [this](int row) {
        if (!m_filling) m_controller->setSelectedCalendarRow(row);
    });
    QObject::connect(m_calendars, &QListWidget::itemChanged, controller, [this](QListWidgetItem* item) {
        if (m_filling) return;
        const int row = m_calendars->row(item);
        const bool wanted = item->checkState() == Qt::Checked;
        if (m_controller->calendarRows().value(row).checked != wanted) m_controller->toggleCalendarSync(row);
    });
    QObject::connect(m_calendars->model(), &QAbstractItemModel::rowsMoved, controller,
                     [this] { p_calendarsReordered(); });
    QObject::connect(m_groups, &QTreeWidget::itemChanged, controller, [this](QTreeWidgetItem* item) {
        if (m_filling) return;
        m_controller->toggleGroupSync(static_cast<TDGroup*>(item->data(0, kGroupRole).value<void*>()));
    });
    QObject::connect(m_mode, &QComboBox::activated, controller, [this](int index) {
        m_controller->switchMode(
            static_cast<TDCalendarSyncPreferencesController::Mode>(m_mode->itemData(index).toInt()));
    });
    QObject::connect(controller, &TDCalendarSyncPreferencesController::backingUpChanged, m_view.get(),
                     [this](bool backingUp) {
                         if (!backingUp) {
                             delete m_progress;
                             m_progress = nullptr;
                             return;
                         }
                         m_progress = new QProgressDialog(tr("Backing up calendars…"), QString(), 0, 0,
                                                          m_view->window());
                         m_progress->setWindowModality(Qt::WindowModal);
                         m_progress->setMinimumDuration(0);
                         m_progress->show();
                     });
    QObject::connect(m_changeFolder, &QPushButton::clicked, controller, [this] { p_changeFolder(); });
    for (auto signal : {&TDCalendarSyncPreferencesController::syncEnabledChanged,
                        &TDCalendarSyncPreferencesController::calendarFolderChanged})
        QObject::connect(controller, signal, m_view.get(), [this] { p_showFolder(); });
    QObject::connect(controller, &TDCalendarSyncPreferencesController::backingUpChanged, m_view.get(),
                     [this] { p_showFolder(); });
    m_switch->setChecked(m_controller->calendarStoreSyncEnabled());
    p_showFolder();
    p_showCalendars();
    p_showGroups();
    return m_view.get();
}

void TDCalendarSyncPane::p_showFolder() {
    m_folder->setText(tr("Calendar folder: %1").arg(m_controller->calendarFolder()));
    m_changeFolder->setEnabled(m_controller->canChangeCalendarFolder());
}

void TDCalendarSyncPane::p_changeFolder() {
    std::optional<QString> folder;
    if (m_chooseCalendarFolder) {
        folder = m_chooseCalendarFolder();
    } else {
        const QString chosen = QFileDialog::getExistingDirectory(m_view->window(), tr("Calendar Folder"),
                                                                 m_controller->calendarFolder());
        if (!chosen.isEmpty()) folder = chosen;
    }
    if (!folder) return;
    if (const Status changed = m_controller->setCalendarFolder(*folder); !changed)
        m_sheets.runModal(alertWithOrdelloError(changed.error()));
}

void TDCalendarSyncPane::p_showCalendars() {
    m_filling = true;
    m_calendars->clear();
    const auto rows = m_controller->calendarRows();
    for (const auto& row : rows) {
        auto* item = new QListWidgetItem(row.calendar.title(), m_calendars);
        item->setData(kUidRole, row.calendar.uid());
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
        if (row.checkable) flags |= Qt::ItemIsUserCheckable;
        item->setFlags(flags);
        item->setCheckState(row.checked ? Qt::Checked : Qt::Unchecked);
        item->setForeground(QColor(row.calendar.color()).isValid() ? QColor(row.calendar.color())
                                                                   : m_calendars->palette().text().color());
    }
    m_calendars->setCurrentRow(m_controller->selectedCalendarRow());
    m_filling = false;
}

void TDCalendarSyncPane::p_calendarsReordered() {
    // The list has moved the row itself; the controller stores the order it now shows.
    const auto rows = m_controller->calendarRows();
    for (int to = 0; to < m_calendars->count(); ++to) {
        const QString uid = m_calendars->item(to)->data(kUidRole).toString();
        for (int from = 0; from < rows.size(); ++from)
            if (rows[from].calendar.uid() == uid && from != to) {
                m_controller->moveCalendar(from, to);
                return;
            }
    }
}

void TDCalendarSyncPane::p_showGroups() {
    m_filling = true;
    m_groups->clear();
    m_groups->setEnabled(m_controller->areGroupsEnabled());
    m_mode->setEnabled(m_controller->areGroupsEnabled());
    m_mode->setCurrentIndex(m_controller->mode() == TDCalendarSyncPreferencesController::TagsMode ? 1 : 0);
    QList<QTreeWidgetItem*> parents;
    for (const auto& row : m_controller->groupRows()) {
        parents.resize(row.depth);
        auto* item = row.depth == 0 ? new QTreeWidgetItem(m_groups) : new QTreeWidgetItem(parents.last());
        item->setText(0, row.group->title());
        item->setData(0, kGroupRole, QVariant::fromValue(static_cast<void*>(row.group)));
        Qt::ItemFlags flags = row.enabled ? Qt::ItemIsEnabled : Qt::NoItemFlags;
        if (row.hasCheckbox) {
            flags |= Qt::ItemIsUserCheckable;
            item->setCheckState(0, row.checked ? Qt::Checked : Qt::Unchecked);
        } else if (row.depth > 0 && row.group->isFolder()) {
            // Its image stands where its siblings' check boxes stand, so a list after the folder's
            // own lists reads as the folder's sibling, not its last child. Sections stay plain headers.
            item->setIcon(0, group_images::imageNamed(QStringLiteral("folder")));
        }
        item->setFlags(flags);
        item->setToolTip(0, row.toolTip);
        parents << item;
    }
    m_groups->expandAll();
    m_filling = false;
}

int TDCalendarSyncPane::runSheet(const TDAlert& alert) {
    return m_sheets.runModal(alert);
}

std::optional<QString> TDCalendarSyncPane::chooseBackupFolder() {
    if (m_chooseFolder) return m_chooseFolder();
    const QString folder = QFileDialog::getExistingDirectory(
        m_view ? m_view->window() : nullptr, tr("Backup Calendars"),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    return folder.isEmpty() ? std::nullopt : std::optional<QString>(folder);
}
