#include "app/gui/tag_filter_view.h"

#include "app/gui/tag_button.h"
#include "app/tag_filter_layout.h"
#include "model/tag.h"
#include "platform/kvc/key_value_coding.h"
#include "taskviews/tasks_controller.h"

#include <QResizeEvent>

#include <algorithm>

namespace {

struct TagEntry {
    TDTag* tag;
    qint64 count;
};

}  // namespace

TDTagFilterView::TDTagFilterView(QWidget* parent) : QWidget(parent) {
}

void TDTagFilterView::reloadData() {
    // A click on a button can rebuild the bar: the old buttons go once their signals are done.
    for (TDTagButton* button : std::as_const(m_buttons)) {
        button->hide();
        button->deleteLater();
    }
    m_buttons.clear();
    const bool hasRoom = width() > 0 && height() > 0;
    if (hasRoom && m_tasksController) {
        QList<TagEntry> entries;
        const QVariantMap info = m_tasksController->filterTagInfo();
        for (const QVariant& value : info) {
            const QVariantMap entry = value.toMap();
            auto* tag = dynamic_cast<TDTag*>(platform::objectFromVariant(entry.value(QStringLiteral("tag"))));
            if (tag) entries.append({tag, entry.value(QStringLiteral("count")).toLongLong()});
        }
        std::sort(entries.begin(), entries.end(), [](const TagEntry& a, const TagEntry& b) {
            return a.tag->title().compare(b.tag->title(), Qt::CaseInsensitive) < 0;
        });
        for (const TagEntry& entry : std::as_const(entries)) {
            auto* button = new TDTagButton(this);
            button->setText(entry.tag->title());
            button->setTagObject(entry.tag);
            button->setTaskCount(entry.count);
            button->setEnabled(m_tagButtonsEnabled);
            TDTag* tag = entry.tag;
            connect(button, &QAbstractButton::clicked, this,
                    [this, button, tag] { Q_EMIT tagClicked(tag, button->clickModifiers()); });
            button->show();
            m_buttons.append(button);
        }
        updateButtonStates();
    }
    layoutButtons();
    if (m_noTagsExplanationField) {
        const bool libraryOpen = m_tasksController && m_tasksController->library();
        m_noTagsExplanationField->setVisible(hasRoom && m_buttons.isEmpty() && libraryOpen);
    }
}

void TDTagFilterView::layoutButtons() {
    QList<int> widths;
    widths.reserve(m_buttons.size());
    for (TDTagButton* button : std::as_const(m_buttons)) widths.append(button->sizeHint().width());
    const tag_filter_layout::Flow flow = tag_filter_layout::flowButtons(widths, width());
    for (qsizetype i = 0; i < m_buttons.size(); ++i) {
        m_buttons.at(i)->setGeometry(flow.frames.at(i));
        m_buttons.at(i)->setHidden(flow.hidden.at(i));
    }
    if (m_overflowButton) m_overflowButton->setVisible(flow.overflowShown);
}

void TDTagFilterView::updateButtonStates() {
    if (!m_tasksController) return;
    const QSet<TDTag*>& filter = m_tasksController->filterTags();
    for (TDTagButton* button : std::as_const(m_buttons))
        button->setChecked(filter.contains(button->tagObject()));
}

void TDTagFilterView::setTagButtonsEnabled(bool enabled) {
    if (enabled == m_tagButtonsEnabled) return;
    m_tagButtonsEnabled = enabled;
    for (TDTagButton* button : std::as_const(m_buttons)) button->setEnabled(enabled);
}

void TDTagFilterView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A bar that had no room built no buttons: it builds them once it gets some.
    if (event->oldSize().isEmpty() && !size().isEmpty())
        reloadData();
    else
        layoutButtons();
}

void TDTagFilterView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    reloadData();
}
