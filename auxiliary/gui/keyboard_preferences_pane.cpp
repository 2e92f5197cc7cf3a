#include "auxiliary/gui/keyboard_preferences_pane.h"

#include "auxiliary/gui/shortcut_recorder.h"
#include "platform/defaults/user_defaults.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("TDKeyboardPreferencesController", text);
}

}  // namespace

TDKeyboardPreferencesController::TDKeyboardPreferencesController(TDPreferencesContext context)
    : m_context(std::move(context)) {
}

TDKeyboardPreferencesController::~TDKeyboardPreferencesController() {
    // A recorder that goes with the focus must not leave the hot keys suspended.
    if (m_view && m_context.suspendHotKeys)
        for (const Recorder* recorder : {&m_quickEntry, &m_quickEntryContext})
            if (recorder->edit && recorder->edit->hasFocus()) m_context.suspendHotKeys(false);
}

QString TDKeyboardPreferencesController::helpAnchor() const {
    return QStringLiteral("prefs_shortcuts");
}

QWidget* TDKeyboardPreferencesController::view() {
    if (m_view) return m_view.get();
    m_view = std::make_unique<QWidget>();
    if (m_context.hotKeysNeedDesktopSettings) {
        p_showDesktopCommands();
        return m_view.get();
    }
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(12);
    p_addRecorder(m_quickEntry, tr("Quick Entry:"), *grid, 0);
    p_addRecorder(m_quickEntryContext, tr("Quick Entry with Context:"), *grid, 2);
    auto* explanation = new QLabel(tr("These shortcuts open quick entry from any program. With context, the "
                                      "new task starts with what the window in front shows."),
                                   m_view.get());
    explanation->setWordWrap(true);
    auto* layout = new QVBoxLayout(m_view.get());
    layout->setContentsMargins(20, 20, 20, 8);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(explanation);
    layout->addStretch(1);
    m_view->setMinimumWidth(480);
    p_showStored(m_quickEntry);
    p_showStored(m_quickEntryContext);
    return m_view.get();
}

void TDKeyboardPreferencesController::p_showDesktopCommands() {
    auto* explanation = new QLabel(tr("In this session Ordello cannot take a shortcut from other programs "
                                      "itself. Add these commands as custom shortcuts in your desktop's "
                                      "keyboard settings, with the keys you like:"),
                                   m_view.get());
    explanation->setObjectName(QStringLiteral("DesktopShortcutsExplanation"));
    explanation->setWordWrap(true);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    const std::pair<QString, QString> commands[] = {
        {tr("Quick Entry:"), QStringLiteral("ordello --quick-entry")},
        {tr("Quick Entry with Context:"), QStringLiteral("ordello --quick-entry-context")}};
    int row = 0;
    for (const auto& [title, command] : commands) {
        auto* shown = new QLabel(command, m_view.get());
        shown->setObjectName(QStringLiteral("DesktopShortcutCommand"));
        shown->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        // Selectable, so that it can be copied into the desktop's settings.
        shown->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        grid->addWidget(new QLabel(title, m_view.get()), row, 0, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(shown, row++, 1);
    }
    auto* context = new QLabel(tr("With context, the new task starts with what the window in front shows."),
                               m_view.get());
    context->setWordWrap(true);
    auto* layout = new QVBoxLayout(m_view.get());
    layout->setContentsMargins(20, 20, 20, 8);
    layout->addWidget(explanation);
    layout->addSpacing(8);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(context);
    layout->addStretch(1);
    m_view->setMinimumWidth(480);
}

void TDKeyboardPreferencesController::p_addRecorder(Recorder& recorder, const QString& title,
                                                    QGridLayout& grid, int row) {
    recorder.edit = new TDShortcutRecorder(m_view.get());
    recorder.edit->setObjectName(recorder.identifier);
    auto* label = new QLabel(title, m_view.get());
    label->setBuddy(recorder.edit);
    recorder.message = new QLabel(m_view.get());
    recorder.message->setObjectName(recorder.identifier + QStringLiteral("Message"));
    QFont small = recorder.message->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    recorder.message->setFont(small);
    grid.addWidget(label, row, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid.addWidget(recorder.edit, row, 1);
    grid.addWidget(recorder.message, row + 1, 1);
    QObject::connect(recorder.edit, &TDShortcutRecorder::chordRecorded, m_view.get(),
                     [this, &recorder](QKeyCombination chord) {
                         p_recorded(recorder, TDShortcutRecord::fromKeyCombination(chord));
                     });
    QObject::connect(recorder.edit, &TDShortcutRecorder::cleared, m_view.get(),
                     [this, &recorder] { p_recorded(recorder, TDShortcutRecord()); });
    // A recording left unfinished (a modifier alone) shows the stored shortcut again.
    QObject::connect(recorder.edit, &QKeySequenceEdit::editingFinished, m_view.get(),
                     [this, &recorder] { p_showStored(recorder); });
    QObject::connect(recorder.edit, &TDShortcutRecorder::recordingChanged, m_view.get(),
                     [this](bool recording) {
                         if (m_context.suspendHotKeys) m_context.suspendHotKeys(recording);
                     });
}

void TDKeyboardPreferencesController::setupPreferencePaneController(TDPreferencesController&) {
    view();
    if (m_context.hotKeysNeedDesktopSettings) return;
    p_showStored(m_quickEntry);
    p_showStored(m_quickEntryContext);
}

void TDKeyboardPreferencesController::p_showStored(Recorder& recorder) {
    recorder.edit->showShortcut(TDReadShortcutRecord(m_context.defaults, recorder.identifier).keySequence());
}

void TDKeyboardPreferencesController::p_recorded(Recorder& recorder, const TDShortcutRecord& record) {
    if (!record.isClear() && !record.isValidHotKeyCombo()) {
        recorder.message->setText(tr("A shortcut needs Ctrl, Alt, Shift or Meta with the key."));
        p_showStored(recorder);
        return;
    }
    recorder.message->clear();
    const QString key = TDShortcutRecordKey(recorder.identifier);
    if (m_context.defaults.hasStoredValue(key) &&
        record == TDReadShortcutRecord(m_context.defaults, recorder.identifier))
        return;
    TDWriteShortcutRecord(m_context.defaults, recorder.identifier, record);
    if (m_context.shortcutDidChange) m_context.shortcutDidChange(recorder.identifier);
}
