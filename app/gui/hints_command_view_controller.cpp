#include "app/gui/hints_command_view_controller.h"

#include "controls/gui/dark_search_field.h"

#include <QHBoxLayout>
#include <QWidget>

TDHintsCommandViewController::TDHintsCommandViewController(QObject* parent)
    : TDCommandViewController(parent) {
}

QWidget* TDHintsCommandViewController::makeView() {
    auto* view = new QWidget;
    auto* layout = new QHBoxLayout(view);
    m_searchField = new TDDarkSearchField(view);
    layout->addStretch();
    layout->addWidget(m_searchField);
    return view;
}

void TDHintsCommandViewController::showMainButtons() {
}
void TDHintsCommandViewController::showTitleHelp() {
}
void TDHintsCommandViewController::showNoteHelp() {
}
void TDHintsCommandViewController::showDateHelp() {
}
void TDHintsCommandViewController::showEstimateHelp() {
}

QLineEdit* TDHintsCommandViewController::searchField() {
    view();
    return m_searchField;
}
