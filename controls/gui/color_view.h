#pragma once

#include <QBrush>
#include <QPoint>
#include <QWidget>

// A view filled with a colour or a pattern (white without one). A pattern is laid from the window's
// corner, moved by the pattern phase, so that neighbouring views show one seamless pattern.
class TDColorView : public QWidget {
    Q_OBJECT
public:
    explicit TDColorView(QWidget* parent = nullptr);

    QBrush background() const { return m_background; }
    void setBackground(const QBrush& brush);
    QPoint patternPhase() const { return m_patternPhase; }
    void setPatternPhase(const QPoint& phase);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QBrush m_background;
    QPoint m_patternPhase;
};
