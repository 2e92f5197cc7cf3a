#pragma once

#include <QKeyCombination>
#include <QObject>
#include <QString>

class QAbstractButton;

// A shortcut in few characters: the modifiers as this desktop's keyboards name them ("Ctrl+Shift+")
// followed by the key ("esc", ↩ for Return, "tab", "spc", else the key upper-cased). Empty for no key.
QString TDShortcutLabel(QKeyCombination combination);
// The keyboard shortcut of a button as its tooltip shows it; empty when the button has none.
QString shortcutText(const QAbstractButton& button);
// The button's tooltip followed by " - <shortcut> " when it has both; else the tooltip unchanged.
QString tooltipWithShortcut(const QAbstractButton& button);

// Shows every button's shortcut after its tooltip. Installed on the application, it reads the shortcut
// when the tooltip is shown, so a changed shortcut shows at once and the stored tooltip stays plain.
class TDTooltipShortcutFilter final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
