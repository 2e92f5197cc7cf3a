#include "app/gui/toolbar_segments_accessible.h"

#include "app/gui/toolbar_controls.h"

#include <QAccessibleWidget>
#include <QPointer>

namespace {

class SegmentAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    SegmentAccessible(TDToolbarSegmentedControl* control, int segment)
        : m_control(control), m_segment(segment) {}

    bool isValid() const override { return m_control && m_segment < m_control->segmentCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_control); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::Button; }
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name && isValid() ? m_control->segmentToolTip(m_segment) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect area = m_control->segmentRect(m_segment);
        return {m_control->mapToGlobal(area.topLeft()), area.size()};
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) return state;
        state.disabled = !m_control->isSegmentEnabled(m_segment);
        state.invisible = !m_control->isVisible();
        state.checkable = m_control->tracksSelection();
        state.checked = state.checkable && m_control->selectedSegment() == m_segment;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid()) m_control->clickSegment(m_segment);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<TDToolbarSegmentedControl> m_control;
    int m_segment;
};

class SegmentedControlAccessible final : public QAccessibleWidget {
public:
    explicit SegmentedControlAccessible(TDToolbarSegmentedControl* control)
        : QAccessibleWidget(control, QAccessible::ToolBar) {
        for (int segment = 0; segment < control->segmentCount(); ++segment)
            m_segments.append(
                QAccessible::registerAccessibleInterface(new SegmentAccessible(control, segment)));
    }
    ~SegmentedControlAccessible() override {
        for (QAccessible::Id id : std::as_const(m_segments)) QAccessible::deleteAccessibleInterface(id);
    }
    int childCount() const override { return int(m_segments.size()); }
    QAccessibleInterface* child(int index) const override {
        return index >= 0 && index < m_segments.size()
                   ? QAccessible::accessibleInterface(m_segments.at(index))
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int index = 0; index < m_segments.size(); ++index)
            if (QAccessible::accessibleInterface(m_segments.at(index)) == child) return index;
        return -1;
    }

private:
    QList<QAccessible::Id> m_segments;
};

}  // namespace

QAccessibleInterface* TDToolbarSegmentsAccessibleFactory(const QString& className, QObject* object) {
    auto* control = qobject_cast<TDToolbarSegmentedControl*>(object);
    if (!control || className != QLatin1String(TDToolbarSegmentedControl::staticMetaObject.className()))
        return nullptr;
    return new SegmentedControlAccessible(control);
}
