#pragma once

#include "controls/swipe_recognizer.h"
#include "taskviews/card_deck.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <memory>

class QKeyEvent;
class QLabel;
class QPagedPaintDevice;
class QPainter;
class QVariantAnimation;
class TDCardController;
class TDCardEffectView;
class TDCardShadowView;
class TDCardStackView;
class TDCardView;
class TDFloatingArrowButton;
class TDOverlayView;
class TDRecurrenceEditView;
class TDTask;
class TDTasksController;

// The tasks of the shown group as cards: the front card over a drawn stack, arrow buttons at either
// side, the message of an empty list, and the flips between cards. It draws the controller's card deck
// and turns keys and clicks into its commands.
class TDCardsView final : public QWidget, public TDCardDeckView {
    Q_OBJECT

public:
    TDCardsView(TDTasksController& tasksController, TDCardDeck& deck, QWidget* parent = nullptr);
    ~TDCardsView() override;

    TDCardDeck& deck() const { return m_deck; }
    TDCardController& cardController() const { return *m_front; }
    TDCardView* frontCardView() const;
    TDCardStackView* stackView() const { return m_stack; }
    TDFloatingArrowButton* leftButton() const { return m_leftButton; }
    TDFloatingArrowButton* rightButton() const { return m_rightButton; }
    QLabel* messageField() const { return m_messageField; }
    bool drawsOverlay() const { return m_overlay != nullptr; }
    int activeAnimationCount() const { return m_activeAnimations; }
    // The band at the top left to the window's toolbar strip; the cards lie below it.
    static constexpr int kToolbarBandHeight = 40;

    // The front card's title in this view's coordinates (empty with no task).
    QRect titleFrame() const;
    // The recurrence editor shown at the title, once opened (nullptr before).
    TDRecurrenceEditView* recurrenceEditView() const;

    // Draws the front card into the painter's page, scaled to fit the rectangle; for printing.
    void renderFrontCard(QPainter& painter, const QRectF& target) const;
    // The front card's size on screen; empty while no card is shown.
    QSize frontCardSize() const;
    bool printFrontCard(QPagedPaintDevice& device) const;

    // TDCardDeckView.
    bool layerAnimationEnabled() const override;
    void takeSnapshot() override;
    void playEffect(Effect effect, bool last) override;
    void endEditing() override;
    bool isEditing() const override;
    bool isEditingTitle() const override;
    bool isEditingNote() const override;
    void editTitle() override;
    void editNote() override;
    void insertTextAtEndOfTitle(const QString& text) override;
    void setDrawsOverlay(bool drawsOverlay) override;
    void redisplay() override { update(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // A horizontal swipe turns to the previous card (toward the start) or the next one.
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;

private:
    void p_layout();
    void p_numberOfCardsChanged(qint64 count);
    void p_setInstructionMessage(const QString& message);
    QRect p_cardRect() const;
    QRect p_belowToolbarBand() const { return rect().adjusted(0, kToolbarBandHeight, 0, 0); }
    int p_flipDuration() const;
    void p_effectEnded();
    void p_swipe(int deltaX);
    void p_showRecurrenceEditor(TDTask* task);
    // j, k and h or l with modifiers stand for the arrow keys: passed on as those.
    void p_passOnAsArrowKey(const QKeyEvent& event);

    TDTasksController& m_tasksController;
    TDCardDeck& m_deck;
    TDCardShadowView* m_shadow;
    TDCardStackView* m_stack;
    std::unique_ptr<TDCardController> m_front;
    TDFloatingArrowButton* m_leftButton;
    TDFloatingArrowButton* m_rightButton;
    TDCardEffectView* m_effects;
    QLabel* m_messageField = nullptr;
    TDOverlayView* m_overlay = nullptr;
    // Lives in its balloon, a child of this view.
    QPointer<TDRecurrenceEditView> m_recurrenceEditView;
    QPixmap m_snapshot;
    TDSwipeRecognizer m_swipe;
    int m_activeAnimations = 0;
};
