#include "foundation/gui/tooltip_shortcut.h"

#include <QAbstractButton>
#include <QHelpEvent>
#include <QToolTip>

QString TDShortcutLabel(QKeyCombination combination) {
    const int key = combination.key();
    if (key == 0 || key == Qt::Key_unknown) return {};
    // The modifiers as the keys are labelled here, never another platform's glyphs.
    QString text = QKeySequence(QKeyCombination(combination.keyboardModifiers(), Qt::Key_A))
                       .toString(QKeySequence::NativeText);
    text.chop(1);
    switch (key) {
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
            return text + QKeySequence(key).toString(QKeySequence::PortableText).toUpper();
    }
}

QString shortcutText(const QAbstractButton& button) {
    const QKeySequence sequence = button.shortcut();
    return sequence.isEmpty() ? QString() : TDShortcutLabel(sequence[0]);
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
