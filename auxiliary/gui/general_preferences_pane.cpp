#include "auxiliary/gui/general_preferences_pane.h"

#include "auxiliary/preferences_reset.h"
#include "foundation/alert.h"
#include "platform/defaults/user_defaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("TDGeneralPreferencesController", text);
}

// Each control writes its setting and follows it; `show` puts the stored value into the control.
template <typename Control, typename Signal>
void bind(Control* control, platform::UserDefaults& defaults, const QString& key, Signal changed,
          std::function<void()> show, std::function<QVariant()> read) {
    show();
    QObject::connect(control, changed, control, [&defaults, key, read] {
        if (defaults.value(key) != read()) defaults.setValue(key, read());
    });
    QObject::connect(&defaults, &platform::UserDefaults::valueChanged, control,
                     [key, show](const QString& changedKey) {
                         if (changedKey == key) show();
                     });
}

QCheckBox* checkBox(QWidget* parent, platform::UserDefaults& defaults, const QString& key,
                    const QString& title) {
    auto* box = new QCheckBox(title, parent);
    box->setObjectName(key);
    bind(
        box, defaults, key, &QCheckBox::toggled,
        [box, &defaults, key] { box->setChecked(defaults.boolean(key)); },
        [box] { return QVariant(box->isChecked()); });
    return box;
}

}  // namespace

TDGeneralPreferencesController::TDGeneralPreferencesController(TDPreferencesContext context)
    : m_context(std::move(context)) {
}

TDGeneralPreferencesController::~TDGeneralPreferencesController() = default;

QString TDGeneralPreferencesController::helpAnchor() const {
    return QStringLiteral("prefs_general");
}

QWidget* TDGeneralPreferencesController::view() {
    if (m_view) return m_view.get();
    m_view = std::make_unique<QWidget>();
    QWidget* view = m_view.get();
    platform::UserDefaults& defaults = m_context.defaults;
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);

    const QString badgeKey = QStringLiteral("dockBadgeMode");
    auto* badge = new QComboBox(view);
    badge->setObjectName(badgeKey);
    badge->addItem(tr("No count"), 0);
    badge->addItem(tr("Tasks of Today"), 1);
    badge->addItem(tr("Tasks of Today and the Inbox"), 2);
    bind(
        badge, defaults, badgeKey, &QComboBox::currentIndexChanged,
        [badge, &defaults, badgeKey] {
            badge->setCurrentIndex(qMax(0, badge->findData(defaults.integer(badgeKey))));
        },
        [badge] { return badge->currentData(); });
    form->addRow(tr("Launcher badge:"), badge);

    form->addRow(tr("Title:"), checkBox(view, defaults, QStringLiteral("predictTags"),
                                        tr("Suggest tags while typing a title")));
    form->addRow(tr("Notes:"),
                 checkBox(view, defaults, QStringLiteral("expandNotes"), tr("Show every task's notes")));
    form->addRow(QString(), checkBox(view, defaults, QStringLiteral("checkSpellingContinuously"),
                                     tr("Check spelling while typing")));
    form->addRow(tr("Cards:"),
                 checkBox(view, defaults, QStringLiteral("cardAnimationEnabled"), tr("Animate cards")));
    form->addRow(tr("Tabs:"), checkBox(view, defaults, QStringLiteral("commandWClosesTab"),
                                       tr("Ctrl+W closes the tab, Ctrl+Shift+W the window")));

    const QString delayKey = QStringLiteral("balloonPopUpDelay");
    auto* delay = new QDoubleSpinBox(view);
    delay->setObjectName(delayKey);
    delay->setRange(0.0, 2.0);
    delay->setSingleStep(0.05);
    delay->setDecimals(2);
    delay->setSuffix(tr(" s"));
    bind(
        delay, defaults, delayKey, &QDoubleSpinBox::valueChanged,
        [delay, &defaults, delayKey] { delay->setValue(defaults.real(delayKey)); },
        [delay] { return QVariant(delay->value()); });
    form->addRow(tr("Completion pop-up after:"), delay);

    auto* reset = new QPushButton(tr("Reset Preferences…"), view);
    reset->setObjectName(QStringLiteral("resetPreferences"));
    QObject::connect(reset, &QPushButton::clicked, view, [this] { resetPreferences(); });
    auto* resetRow = new QHBoxLayout;
    resetRow->addStretch(1);
    resetRow->addWidget(reset);

    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(20, 20, 20, 8);
    layout->addLayout(form);
    layout->addSpacing(16);
    layout->addLayout(resetRow);
    layout->addStretch(1);
    return view;
}

void TDGeneralPreferencesController::resetPreferences() {
    TDAlert alert;
    alert.messageText = tr("Reset preferences?");
    alert.informativeText = tr("This will reset all your preferences, including the tabs.");
    alert.buttons = {tr("Reset"), tr("Cancel")};
    if (m_context.prompter.runModal(alert) != 0) return;
    const QStringList shortcuts =
        TDResetPreferences(m_context.defaults, m_context.manager, m_context.clearApplicationOptions);
    if (m_context.shortcutDidChange)
        for (const QString& identifier : shortcuts) m_context.shortcutDidChange(identifier);
}
