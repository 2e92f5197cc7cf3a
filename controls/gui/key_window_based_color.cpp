#include "controls/gui/key_window_based_color.h"

TDKeyWindowBasedColor::TDKeyWindowBasedColor(QWidget* window, const QColor& activeColor,
                                             const QColor& inactiveColor)
    : m_window(window ? window->window() : nullptr),
      m_activeColor(activeColor),
      m_inactiveColor(inactiveColor) {
}

QColor TDKeyWindowBasedColor::currentColor() const {
    // A closed window is hidden, and no hidden window is active.
    return m_window && m_window->isVisible() && m_window->isActiveWindow() ? m_activeColor : m_inactiveColor;
}

TDSourceListColor::TDSourceListColor(QWidget* window)
    : TDKeyWindowBasedColor(window, QColor::fromRgbF(209 / 255.0f, 221 / 255.0f, 229 / 255.0f),
                            QColor::fromRgbF(232 / 255.0f, 232 / 255.0f, 232 / 255.0f)) {
}
