#include "controls/gui/pop_up_button.h"

#include <QStyle>
#include <QStyleOptionComboBox>

#include <cmath>

namespace {

// Room for the arrow and the margins beside the title.
constexpr int kTitlePadding = 25 - 2;
constexpr int kIconGap = 3;
// Width changes this small leave the container alone.
constexpr int kSuperviewResizeThreshold = 1;

}  // namespace

TDPopUpButton::TDPopUpButton(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentIndexChanged, this, &TDPopUpButton::p_currentIndexChanged);
}

void TDPopUpButton::setAutoResizes(bool autoResizes) {
    m_autoResizes = autoResizes;
    updateGeometry();
}

void TDPopUpButton::setTextColor(const QColor& color) {
    m_textColor = color;
    QPalette colors = palette();
    if (color.isValid()) {
        colors.setColor(QPalette::ButtonText, color);
        colors.setColor(QPalette::Text, color);
    } else {
        colors = QPalette();
    }
    setPalette(colors);
}

bool TDPopUpButton::isSeparatorAtIndex(int index) const {
    // The role QComboBox::insertSeparator marks its separators with.
    return itemData(index, Qt::AccessibleDescriptionRole).toString() == QLatin1String("separator");
}

void TDPopUpButton::selectItemAtIndex(int index) {
    if (index >= 0 && isSeparatorAtIndex(index)) ++index;
    setCurrentIndex(index);
}

int TDPopUpButton::widthForCurrentItem() const {
    if (currentIndex() < 0 || currentText().isEmpty()) return 0;
    const QRectF title =
        QFontMetricsF(font()).boundingRect(QRectF(0, 0, 1e100, 1e100), Qt::AlignLeft, currentText());
    int contentWidth = int(std::ceil(title.width()));
    if (!itemIcon(currentIndex()).isNull()) contentWidth += iconSize().width() + kIconGap;
    // At least what the style needs around the title for its frame and arrow, so the title is never cut.
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QSize styled = style()->sizeFromContents(QStyle::CT_ComboBox, &option,
                                                   QSize(contentWidth, fontMetrics().height()), this);
    return qMax(contentWidth + kTitlePadding, styled.width());
}

void TDPopUpButton::sizeToFitCurrentItem() {
    const int width = widthForCurrentItem();
    if (width <= 0) return;
    resize(width, height());
    updateGeometry();
}

QSize TDPopUpButton::sizeHint() const {
    QSize size = QComboBox::sizeHint();
    if (m_autoResizes && widthForCurrentItem() > 0) size.setWidth(widthForCurrentItem());
    return size;
}

QSize TDPopUpButton::minimumSizeHint() const {
    QSize size = QComboBox::minimumSizeHint();
    if (m_autoResizes && widthForCurrentItem() > 0) size.setWidth(widthForCurrentItem());
    return size;
}

void TDPopUpButton::p_currentIndexChanged() {
    if (!m_autoResizes) return;
    const int oldWidth = width();
    sizeToFitCurrentItem();
    const int change = width() - oldWidth;
    QWidget* container = parentWidget();
    if (!m_autoResizesSuperview || !container || std::abs(change) <= kSuperviewResizeThreshold) return;
    // The container grows at its left edge; what stands right of the button keeps its place on screen.
    const QRect frame = container->geometry();
    const int buttonX = x();
    for (QObject* child : container->children()) {
        auto* sibling = qobject_cast<QWidget*>(child);
        if (sibling && sibling->x() > buttonX) sibling->move(sibling->x() + change, sibling->y());
    }
    container->setGeometry(frame.x() - change, frame.y(), frame.width() + change, frame.height());
}
