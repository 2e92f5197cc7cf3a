#pragma once

#include "app/gui/colored_rounded_rect_button.h"

#include <QPointer>

class TDTag;

// A tag's capsule in the tag filter bar: blue while the tag filters the tasks, dark otherwise, with a
// badge of how many shown tasks carry the tag. It remembers the modifiers of the click that pressed it,
// which decide whether the tag joins the filter or replaces it.
class TDTagButton final : public TDColoredRoundedRectButton {
    Q_OBJECT
public:
    explicit TDTagButton(QWidget* parent = nullptr);

    qint64 taskCount() const { return m_taskCount; }
    void setTaskCount(qint64 count);
    TDTag* tagObject() const { return m_tag; }
    void setTagObject(TDTag* tag) { m_tag = tag; }
    Qt::KeyboardModifiers clickModifiers() const { return m_clickModifiers; }

    QColor backgroundColor() const override;
    QLinearGradient fillGradient(const QRectF& frame) const override;
    QColor textColor() const override;
    QColor borderColor() const override;
    QRectF titleRectForBounds(const QRectF& bounds) const override;
    QRectF taskCountBackgroundRectForBounds(const QRectF& bounds) const;
    QRectF taskCountStringRectForBounds(const QRectF& bounds) const;
    QFont countFont() const;
    // The title's width and the badge's, with the room between them.
    QSize sizeHint() const override;

protected:
    void drawWithFrame(QPainter& painter, const QRectF& frame) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString p_countText() const;

    qint64 m_taskCount = 0;
    TDTag* m_tag = nullptr;
    Qt::KeyboardModifiers m_clickModifiers;
};
