#pragma once

#include <QWidget>

// A box drawn flat: a thin pair of light and dark lines (along the bottom, and along the top too when
// taller than 5), or a light raised panel with a soft dark edge.
class TDBox : public QWidget {
    Q_OBJECT
public:
    enum class Style {
        // The panel when taller than 5, the lines otherwise.
        Automatic,
        Lines,
        Bezel,
    };

    explicit TDBox(QWidget* parent = nullptr);
    Style style() const { return m_style; }
    void setStyle(Style style);
    // The form the box draws at its present height.
    bool drawsBezel() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Style m_style = Style::Automatic;
};
