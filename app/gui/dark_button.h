#pragma once

#include "controls/gui/action_button.h"

// The buttons of the command bar: a translucent dark body with a glassy top half and a faint edge light,
// the key at the left behind a thin separator (no box when there is no key), written short ("Ctrl ⇧K") so
// that a row of them fits the bar. They never take the keyboard focus.
class TDDarkButton : public TDActionButton {
    Q_OBJECT
public:
    explicit TDDarkButton(QWidget* parent = nullptr);

    QColor backgroundColor() const override;
    QFont titleFont() const override;
    QColor textColor() const override;
    Label keyEquivalentLabel() const override;
    // Short enough for a row of buttons: "^K" for Ctrl+K, "^⇧K" with Shift, "Alt ^T" with Alt; a key
    // alone as the action buttons write it ("tab", "esc").
    static QString shortKeyText(QKeyCombination key);
    // A button whose command has no key shows no key box, only its title.
    bool hasKeyBox() const;
    // Just room for the key's box and the title.
    QSize compactSize() const;
    DrawInfo calcDrawInfo(const QRectF& rect) const override;

protected:
    void drawWithFrame(QPainter& painter, const QRectF& frame) override;
};
