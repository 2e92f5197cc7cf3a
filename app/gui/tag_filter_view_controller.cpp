#include "app/gui/tag_filter_view_controller.h"

#include "controls/gui/dark_search_field.h"

#include <QHBoxLayout>
#include <QWidget>

TDTagFilterViewController::TDTagFilterViewController(QObject* parent) : TDCommandViewController(parent) {
}

QWidget* TDTagFilterViewController::makeView() {
    auto* view = new QWidget;
    auto* layout = new QHBoxLayout(view);
    m_searchField = new TDDarkSearchField(view);
    layout->addStretch();
    layout->addWidget(m_searchField);
    return view;
}

QLineEdit* TDTagFilterViewController::searchField() {
    view();
    return m_searchField;
}
