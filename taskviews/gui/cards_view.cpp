#include "taskviews/gui/cards_view.h"

#include "controls/gui/balloon_panel.h"
#include "model/group.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "taskviews/gui/card_stack.h"
#include "taskviews/gui/card_view.h"
#include "taskviews/gui/card_view_controller.h"
#include "taskviews/gui/recurrence_edit_view.h"
#include "taskviews/gui/title_editor.h"
#include "taskviews/recurrence_edit_controller.h"
#include "taskviews/tasks_controller.h"

#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRandomGenerator>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <cmath>

namespace {

// Cards this large are moved without effects: a picture of them would cost too much.
constexpr qreal kLargestAnimatedArea = 700000;
constexpr int kFlipMilliseconds = 750;
constexpr int kSlowFlipMilliseconds = 5000;

qreal easeInOut(qreal t) {
    return t < 0.5 ? 2 * t * t : 1 - std::pow(-2 * t + 2, 2) / 2;
}

}  // namespace

// Draws the pictures of the cards in flight over the cards view; clicks pass through it.
class TDCardEffectView final : public QWidget {
public:
    struct Flight {
        TDCardDeckView::Effect effect;
        QPixmap leaving;   // the card shown when the effect began
        QPixmap arriving;  // the card a backward flip brings in
        QRect frame;
        qreal angle;  // a little randomness in each throw, in degrees
        qreal progress = 0;
        int depth;
    };

    explicit TDCardEffectView(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
    }

    std::vector<std::shared_ptr<Flight>> flights;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::Antialiasing);
        for (const std::shared_ptr<Flight>& flight : flights) p_paint(painter, *flight);
    }

private:
    // Outside the front card: a picture there lies behind it.
    QRegion p_behind(const QRect& card) const { return QRegion(rect()).subtracted(QRegion(card)); }

    static QTransform p_around(const QRect& frame, qreal dx, qreal dy, qreal yRotation, qreal zRotation,
                               qreal scale) {
        const QPointF centre = QRectF(frame).center();
        QTransform transform;
        transform.translate(centre.x() + dx, centre.y() + dy);
        transform.rotate(yRotation, Qt::YAxis);
        transform.rotate(zRotation, Qt::ZAxis);
        transform.scale(scale, scale);
        transform.translate(-centre.x(), -centre.y());
        return transform;
    }

    void p_paint(QPainter& painter, const Flight& flight) {
        const qreal t = flight.progress;
        const QRect& frame = flight.frame;
        const qreal w = frame.width();
        painter.save();
        switch (flight.effect) {
            case TDCardDeckView::Effect::Next: {
                // Out to the right, tilting away, then back in under the new front card.
                const qreal arc = std::sin(M_PI * easeInOut(t));
                if (t > 0.5) painter.setClipRegion(p_behind(frame));
                painter.setTransform(p_around(frame, arc * (w * 0.8 + 60), arc * -12, arc * -28,
                                              arc * (flight.angle - 8), 1 - 0.08 * t));
                painter.drawPixmap(frame, flight.leaving);
                break;
            }
            case TDCardDeckView::Effect::Previous: {
                // The shown card stays put while the previous one comes out from under it on the left
                // and lands on top.
                painter.drawPixmap(frame, flight.leaving);
                const qreal arc = std::sin(M_PI * easeInOut(t));
                if (t < 0.5) painter.setClipRegion(p_behind(frame));
                painter.setTransform(p_around(frame, -arc * (w * 0.8 + 40), arc * -12, arc * 28,
                                              arc * (flight.angle - 8), 1 - 0.08 * (1 - t)));
                painter.drawPixmap(frame, flight.arriving);
                break;
            }
            case TDCardDeckView::Effect::Drop: {
                // A small lift, then down off the table, turning as it falls.
                const qreal lift = t < 0.3 ? std::sin(M_PI / 2 * t / 0.3) * -15 : -15;
                const qreal fall = t < 0.3 ? 0 : std::pow((t - 0.3) / 0.7, 2) * (height() - frame.top() + 40);
                const qreal scale = t < 0.3 ? 1 + 0.015 * t / 0.3 : 1.015 + 0.035 * (t - 0.3) / 0.7;
                painter.setTransform(
                    p_around(frame, 0, lift + fall, 0, t < 0.3 ? 0 : flight.angle * (t - 0.3), scale));
                painter.drawPixmap(frame, flight.leaving);
                break;
            }
        }
        painter.restore();
    }
};

TDCardsView::TDCardsView(TDTasksController& tasksController, TDCardDeck& deck, QWidget* parent)
    : QWidget(parent),
      m_tasksController(tasksController),
      m_deck(deck),
      m_shadow(new TDCardShadowView(this)),
      m_stack(new TDCardStackView(this)),
      m_front(std::make_unique<TDCardController>(tasksController, this)),
      m_leftButton(new TDFloatingArrowButton(TDFloatingArrowButton::Left, this)),
      m_rightButton(new TDFloatingArrowButton(TDFloatingArrowButton::Right, this)),
      m_effects(new TDCardEffectView(this)) {
    setObjectName(QStringLiteral("CardsView"));
    setFocusPolicy(Qt::StrongFocus);
    resize(600, 500);
    m_stack->setNumberOfCards(4);
    m_leftButton->setToolTip(tr("Show previous card - left arrow key"));
    m_rightButton->setToolTip(tr("Show next card - right arrow key"));
    connect(m_leftButton, &QAbstractButton::clicked, this, [this] { m_deck.previousCard(); });
    connect(m_rightButton, &QAbstractButton::clicked, this, [this] { m_deck.nextCard(); });
    connect(m_front->cardView(), &TDCardView::checkboxClicked, this, [this](bool cancel) {
        if (!m_deck.validateToggle()) return;
        if (cancel)
            m_deck.toggleCanceled();
        else
            m_deck.toggleCompleted();
    });
    connect(m_front.get(), &TDCardController::editingEnded, this, [this] { setFocus(Qt::OtherFocusReason); });
    connect(&m_deck, &TDCardDeck::taskChanged, this, [this] { m_front->setTask(m_deck.task()); });
    connect(&m_deck, &TDCardDeck::numberOfCardsChanged, this, &TDCardsView::p_numberOfCardsChanged);
    connect(&m_deck, &TDCardDeck::instructionMessageChanged, this, &TDCardsView::p_setInstructionMessage);
    connect(&m_tasksController, &TDTasksController::recurrenceEditorRequested, this,
            &TDCardsView::p_showRecurrenceEditor);
    m_deck.setView(this);
    m_front->setTask(m_deck.task());
    p_numberOfCardsChanged(m_deck.numberOfCards());
    p_setInstructionMessage(m_deck.instructionMessage());
    p_layout();
}

TDCardsView::~TDCardsView() {
    m_deck.setView(nullptr);
}

TDCardView* TDCardsView::frontCardView() const {
    return m_front->cardView();
}

QRect TDCardsView::p_cardRect() const {
    // 70 in from the sides, 20 below the toolbar's band, 60 from the bottom; lower by 2 for each missing
    // rear card.
    const int lowered = 2 * (4 - m_stack->numberOfCards());
    return QRect(70, kToolbarBandHeight + 20 + lowered, std::max(width() - 140, 0),
                 std::max(height() - kToolbarBandHeight - 80, 0));
}

void TDCardsView::p_layout() {
    const QRect card = p_cardRect();
    m_front->cardView()->setGeometry(card);
    m_shadow->setGeometry(card.adjusted(-8, -8 + 10, 8, 8 + 13));
    m_stack->setGeometry(card.adjusted(-5, -5 + 6, 5, 5 + 14));
    const int buttonY = int(std::floor(card.top() + card.height() / 2.0 - 15.5));
    m_leftButton->setGeometry(20, buttonY, 31, 31);
    m_rightButton->setGeometry(int(std::floor(width() - 50.5)), buttonY, 31, 31);
    m_effects->setGeometry(rect());
    if (m_messageField) m_messageField->setGeometry(-1, kToolbarBandHeight + 45, width() - 14, 30);
    if (m_overlay) m_overlay->setGeometry(p_belowToolbarBand());
}

void TDCardsView::resizeEvent(QResizeEvent*) {
    p_layout();
}

void TDCardsView::p_numberOfCardsChanged(qint64 count) {
    for (QWidget* view : {static_cast<QWidget*>(m_shadow), static_cast<QWidget*>(m_stack),
                          static_cast<QWidget*>(m_front->cardView()), static_cast<QWidget*>(m_leftButton),
                          static_cast<QWidget*>(m_rightButton)})
        view->setVisible(count > 0);
    if (count < 2) {
        m_leftButton->hide();
        m_rightButton->hide();
    }
    if (m_messageField) m_messageField->show();
    const int stack = m_deck.stackCount();
    if (stack != m_stack->numberOfCards()) {
        m_stack->setNumberOfCards(stack);
        m_shadow->setNumberOfCards(stack);
        p_layout();
        m_stack->update();
        m_shadow->update();
    }
}

void TDCardsView::p_setInstructionMessage(const QString& message) {
    if (message.isNull()) {
        delete m_messageField;
        m_messageField = nullptr;
        return;
    }
    if (!m_messageField) {
        m_messageField = new QLabel(this);
        m_messageField->setObjectName(QStringLiteral("CardsMessage"));
        m_messageField->setAlignment(Qt::AlignCenter);
        QFont font = m_messageField->font();
        font.setItalic(true);
        font.setPixelSize(13);
        m_messageField->setFont(font);
        QPalette palette = m_messageField->palette();
        palette.setColor(QPalette::WindowText, QColor::fromRgbF(0.3, 0.3, 0.3));
        m_messageField->setPalette(palette);
        auto* engraving = new QGraphicsDropShadowEffect(m_messageField);
        engraving->setColor(QColor::fromRgbF(1, 1, 1, 0.25));
        engraving->setOffset(0, 1);
        engraving->setBlurRadius(0);
        m_messageField->setGraphicsEffect(engraving);
        m_messageField->show();
    }
    m_messageField->setText(message);
    p_layout();
    m_messageField->raise();
    if (m_overlay) m_overlay->raise();
}

TDRecurrenceEditView* TDCardsView::recurrenceEditView() const {
    return m_recurrenceEditView.data();
}

void TDCardsView::p_showRecurrenceEditor(TDTask* task) {
    // The outline shows it at the task's row; here it hangs from the front card's title.
    TDRecurrenceEditViewController* editor = m_tasksController.recurrenceEditor();
    const QRect title = titleFrame();
    if (m_tasksController.mode() != 1 || !editor || !task || task != m_deck.task() || title.isEmpty()) return;
    const QRect target(mapToGlobal(title.topLeft()), title.size());
    const QPoint location(target.center().x(), target.bottom());
    TDBalloonPanel* balloon =
        m_recurrenceEditView ? qobject_cast<TDBalloonPanel*>(m_recurrenceEditView->parentWidget()) : nullptr;
    if (!balloon) {
        m_recurrenceEditView = new TDRecurrenceEditView(*editor);
        balloon = new TDBalloonPanel(this, location, 2, target, m_recurrenceEditView);
        balloon->setCanBecomeKeyWindow(true);
    } else {
        balloon->setPreferredLocation(location, target);
    }
    balloon->orderFront();
    balloon->activateWindow();
    m_recurrenceEditView->editRule();
}

QRect TDCardsView::titleFrame() const {
    if (!m_deck.task()) return {};
    const TDCardView* card = m_front->cardView();
    return QRect(card->mapTo(this, card->titleField()->pos()), card->titleField()->size());
}

void TDCardsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor top(0xe9, 0xe9, 0xe9);
    QColor bottom(0xc9, 0xc9, 0xc9);
    if (TDGroup* group = m_deck.group()) {
        const QVariantMap options = group->displayOptions();
        const QColor groupTop =
            options.value(QStringLiteral("tasksViewHeaderBackgroundGradientTopColor")).value<QColor>();
        const QColor groupBottom =
            options.value(QStringLiteral("tasksViewHeaderBackgroundGradientBottomColor")).value<QColor>();
        if (groupTop.isValid()) top = groupTop;
        if (groupBottom.isValid())
            bottom = QColor::fromRgbF(groupBottom.redF() * 0.9, groupBottom.greenF() * 0.9,
                                      groupBottom.blueF() * 0.9);
    }
    // One gradient under the toolbar's band and the cards alike.
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.fillRect(rect(), gradient);
}

void TDCardsView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::ControlModifier) {
        m_deck.deleteCard();
        return;
    }
    const TDCardDeck::KeyAction action =
        TDCardDeck::keyAction(event->key(), event->text(), int(event->modifiers()));
    if (action == TDCardDeck::KeyAction::PassOnAsArrow) {
        p_passOnAsArrowKey(*event);
        return;
    }
    if (m_deck.performKeyAction(action)) return;
    QWidget::keyPressEvent(event);
}

void TDCardsView::p_passOnAsArrowKey(const QKeyEvent& event) {
    // Up the parents as the arrow itself would go, keeping Shift, Ctrl, Alt and Meta.
    QWidget* parent = parentWidget();
    if (!parent) return;
    const Qt::KeyboardModifiers kept =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    QKeyEvent arrow(QEvent::KeyPress, TDCardDeck::arrowKeyForLetter(event.text()), kept, QString(),
                    event.isAutoRepeat());
    QCoreApplication::sendEvent(parent, &arrow);
}

void TDCardsView::mousePressEvent(QMouseEvent* event) {
    endEditing();
    QWidget::mousePressEvent(event);
}

void TDCardsView::p_swipe(int deltaX) {
    if (deltaX > 0)
        m_deck.previousCard();
    else if (deltaX < 0)
        m_deck.nextCard();
}

void TDCardsView::wheelEvent(QWheelEvent* event) {
    const TDSwipeRecognizer::Step step = m_swipe.wheel(*event);
    p_swipe(step.deltaX);
    event->setAccepted(step.consumed);
}

bool TDCardsView::event(QEvent* event) {
    if (event->type() == QEvent::NativeGesture) {
        if (const int deltaX = TDSwipeRecognizer::swipeDeltaX(*static_cast<QNativeGestureEvent*>(event))) {
            p_swipe(deltaX);
            return true;
        }
    }
    return QWidget::event(event);
}

// ---------------------------------------------------------------------------------------------------
// Effects

bool TDCardsView::layerAnimationEnabled() const {
    const QSize card = m_front->cardView()->size();
    return platform::UserDefaults::standard().boolean(QStringLiteral("cardAnimationEnabled")) &&
           qreal(card.width()) * card.height() < kLargestAnimatedArea && isVisible();
}

int TDCardsView::p_flipDuration() const {
    return QApplication::queryKeyboardModifiers() & Qt::ShiftModifier ? kSlowFlipMilliseconds
                                                                      : kFlipMilliseconds;
}

void TDCardsView::takeSnapshot() {
    m_snapshot = m_front->cardView()->grab();
}

void TDCardsView::playEffect(Effect effect, bool last) {
    auto flight = std::make_shared<TDCardEffectView::Flight>();
    flight->effect = effect;
    flight->leaving = std::exchange(m_snapshot, QPixmap());
    flight->frame = m_front->cardView()->geometry();
    flight->depth = m_activeAnimations;
    const qreal range = effect == Effect::Next       ? 180.0 / 16
                        : effect == Effect::Previous ? 180.0 / 24
                                                     : 180.0 / 12;
    flight->angle = (QRandomGenerator::global()->generateDouble() * 2 - 1) * range;
    if (effect == Effect::Previous) {
        flight->arriving = m_front->cardView()->grab();
        m_front->cardView()->hide();
    }
    m_effects->flights.push_back(flight);
    m_effects->raise();
    if (m_overlay) m_overlay->raise();
    // The stack is lifted while cards fly, unless the last card dropped.
    if (!last) {
        m_stack->setLifted(true);
        m_shadow->hide();
    }
    ++m_activeAnimations;
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setDuration(effect == Effect::Drop ? p_flipDuration() * 3 / 4 : p_flipDuration());
    connect(animation, &QVariantAnimation::valueChanged, this, [this, flight](const QVariant& value) {
        flight->progress = value.toReal();
        m_effects->update();
    });
    connect(animation, &QVariantAnimation::finished, this, [this, flight] {
        std::erase(m_effects->flights, flight);
        m_effects->update();
        p_effectEnded();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void TDCardsView::p_effectEnded() {
    if (--m_activeAnimations > 0) return;
    m_activeAnimations = 0;
    m_front->cardView()->setVisible(m_deck.numberOfCards() > 0);
    m_stack->setLifted(false);
    m_shadow->setVisible(m_deck.numberOfCards() > 0);
}

// ---------------------------------------------------------------------------------------------------
// Editing, overlay, printing

void TDCardsView::endEditing() {
    if (m_front->isEditing()) m_front->endEditing();
    setFocus(Qt::OtherFocusReason);
}

bool TDCardsView::isEditing() const {
    return m_front->isEditing();
}

bool TDCardsView::isEditingTitle() const {
    return m_front->isEditingTitle();
}

bool TDCardsView::isEditingNote() const {
    return m_front->isEditingNote();
}

void TDCardsView::editTitle() {
    m_front->editTitle();
}

void TDCardsView::editNote() {
    m_front->editNote();
}

void TDCardsView::insertTextAtEndOfTitle(const QString& text) {
    m_front->insertTextAtEndOfTitle(text);
}

void TDCardsView::setDrawsOverlay(bool drawsOverlay) {
    if (drawsOverlay == (m_overlay != nullptr)) return;
    if (!drawsOverlay) {
        delete m_overlay;
        m_overlay = nullptr;
        return;
    }
    m_overlay = new TDOverlayView(this);
    m_overlay->setGeometry(p_belowToolbarBand());
    m_overlay->show();
    m_overlay->raise();
}

void TDCardsView::renderFrontCard(QPainter& painter, const QRectF& target) const {
    TDCardView* card = m_front->cardView();
    if (card->size().isEmpty()) return;
    const qreal scale = std::min(target.width() / card->width(), target.height() / card->height());
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(scale, scale);
    card->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.restore();
}

QSize TDCardsView::frontCardSize() const {
    return m_deck.task() ? m_front->cardView()->size() : QSize();
}

bool TDCardsView::printFrontCard(QPagedPaintDevice& device) const {
    if (!m_deck.task()) return false;
    QPainter painter;
    if (!painter.begin(&device)) return false;
    // As large as on screen, smaller only when the page is.
    const QSizeF card = frontCardSize();
    const qreal scale = std::min({1.0, device.width() / card.width(), device.height() / card.height()});
    renderFrontCard(painter, QRectF(QPointF(0, 0), card * scale));
    return painter.end();
}
