#pragma once

#include "auxiliary/gui/preference_pane.h"

#include <QString>

#include <memory>

class QLabel;

// A pane that only says what is to come there (the sync panes until they are built).
class TDPlaceholderPreferencePane final : public TDPreferencePane {
public:
    TDPlaceholderPreferencePane(const QString& text, const QString& helpAnchor);
    ~TDPlaceholderPreferencePane() override;

    QWidget* view() override;
    QString helpAnchor() const override { return m_helpAnchor; }

private:
    std::unique_ptr<QLabel> m_view;
    QString m_helpAnchor;
};
