#include "auxiliary/gui/placeholder_preference_pane.h"

#include <QLabel>

TDPlaceholderPreferencePane::TDPlaceholderPreferencePane(const QString& text, const QString& helpAnchor)
    : m_view(std::make_unique<QLabel>(text)), m_helpAnchor(helpAnchor) {
    m_view->setWordWrap(true);
    m_view->setAlignment(Qt::AlignCenter);
    m_view->setMinimumSize(460, 160);
    m_view->setMargin(20);
}

TDPlaceholderPreferencePane::~TDPlaceholderPreferencePane() = default;

QWidget* TDPlaceholderPreferencePane::view() {
    return m_view.get();
}
