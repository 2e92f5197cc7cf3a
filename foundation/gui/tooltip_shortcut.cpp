#include "foundation/gui/tooltip_shortcut.h"

#include <QAbstractButton>
#include <QHelpEvent>
#include <QToolTip>

QString shortcutText(const QAbstractButton& button) {
    const QKeySequence sequence = button.shortcut();
    if (sequence.isEmpty()) return {};
    const QKeyCombination combination = sequence[0];
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    QString text;
    if (modifiers.testFlag(Qt::MetaModifier)) text += QChar(0x2303);
    if (modifiers.testFlag(Qt::AltModifier)) text += QChar(0x2325);
    if (modifiers.testFlag(Qt::ShiftModifier)) text += QChar(0x21E7);
    if (modifiers.testFlag(Qt::ControlModifier)) text += QChar(0x2318);
    switch (combination.key()) {
        case Qt::Key_Escape:
            return text + QStringLiteral("esc");
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return text + QChar(0x21A9);
        case Qt::Key_Tab:
            return text + QStringLiteral("tab");
        case Qt::Key_Space:
            return text + QStringLiteral("spc");
        default:
            return text + QKeySequence(combination.key()).toString(QKeySequence::PortableText).toUpper();
    }
}

QString tooltipWithShortcut(const QAbstractButton& button) {
    const QString shortcut = shortcutText(button);
    if (shortcut.isEmpty() || button.toolTip().isEmpty()) return button.toolTip();
    return button.toolTip() + QStringLiteral(" - %1 ").arg(shortcut);
}

bool TDTooltipShortcutFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip) return false;
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!button || button->shortcut().isEmpty() || button->toolTip().isEmpty()) return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), tooltipWithShortcut(*button), button);
    return true;
}
