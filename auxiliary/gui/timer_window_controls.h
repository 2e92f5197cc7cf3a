#pragma once

#include <QWidget>

#include <functional>

class TDTask;

// The grip at the panel's right edge: two dark ridges, each with a light one to its right. Dragging it
// sets the panel's width (never below the minimum); a double click toggles the width.
class TDTimerWindowResizeHandle final : public QWidget {
    Q_OBJECT
public:
    explicit TDTimerWindowResizeHandle(QWidget* parent = nullptr);

Q_SIGNALS:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QRect m_startFrame;
    int m_startX = 0;
    bool m_dragging = false;
};

// A small dark button of the panel with a glyph drawn in code.
class TDTimerButton final : public QWidget {
    Q_OBJECT
public:
    enum class Glyph { Pause, Play, Stop, Reveal };

    explicit TDTimerButton(Glyph glyph, QWidget* parent = nullptr);
    Glyph glyph() const { return m_glyph; }
    void setGlyph(Glyph glyph);
    // As a press and release of the button.
    void click();

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Glyph m_glyph;
    bool m_pressed = false;
    bool m_hovered = false;
};

// The timed task's checkbox: the outline's checkbox look (the timer icon until the pointer is over it).
class TDTimerCheckbox final : public QWidget {
    Q_OBJECT
public:
    explicit TDTimerCheckbox(QWidget* parent = nullptr);
    // Not owned.
    void setTask(TDTask* task);
    void click();

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TDTask* m_task = nullptr;
    bool m_hovered = false;
};
