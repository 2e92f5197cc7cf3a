#pragma once

#include <QWidget>

#include <vector>

class TRRuleEditorModel;
class TRRuleRowView;

// The rows of a rule editor, one per rule, indented by depth, on alternating backgrounds. Everything a
// row does goes to the model; the rows are rebuilt from it when rows come or go.
class TRRuleEditor final : public QWidget {
    Q_OBJECT
public:
    TRRuleEditor(TRRuleEditorModel& model, QWidget* parent = nullptr);
    ~TRRuleEditor() override;

    TRRuleEditorModel& model() const { return m_model; }
    int rowHeight() const { return m_rowHeight; }
    int numberOfRows() const { return int(m_rows.size()); }
    TRRuleRowView* rowViewAtRow(int row) const { return m_rows.at(size_t(row)); }
    // Hands any value still being typed to the model.
    bool commitEditing();

    QSize sizeHint() const override;

Q_SIGNALS:
    // The number of rows changed: the window grows or shrinks by the rows' height.
    void rowCountChanged(int rows);

private:
    void p_rebuildRows();

    TRRuleEditorModel& m_model;
    std::vector<TRRuleRowView*> m_rows;
    int m_rowHeight = 30;
};
