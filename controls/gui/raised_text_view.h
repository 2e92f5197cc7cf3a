#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <QLineEdit>

// The plate behind a field being edited: white, one point wider than the field all round with a grey
// rim, and a soft shadow below, so that the field seems to stand up from its panel. It is as large as
// the field grown by five points on every side.
class TDRaisedTextShadowView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMargin = 5;

    explicit TDRaisedTextShadowView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_shadow;
};

// The editor a window lends the fields of its inspector: while a field it serves is being edited, a
// raised plate (TDRaisedTextShadowView) stands behind the field, and the click that gives the field
// the keyboard focus selects all its text; later clicks place the caret as usual. Fields only read
// get no plate.
class TDRaisedTextView final : public QObject {
    Q_OBJECT

public:
    explicit TDRaisedTextView(QObject* parent = nullptr);
    ~TDRaisedTextView() override;

    // Edits `field` from now on (a field served already is left as it is).
    void serve(QLineEdit* field);
    // The field being edited and the plate behind it; null while none is.
    QLineEdit* editedField() const { return m_editedField; }
    TDRaisedTextShadowView* shadowView() const { return m_shadowView; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void p_beginEditing(QLineEdit* field);
    void p_endEditing();
    void p_placeShadowView();
    bool p_selectAllOnClick(QEvent* event);

    QList<QLineEdit*> m_fields;
    QPointer<QLineEdit> m_editedField;
    QPointer<TDRaisedTextShadowView> m_shadowView;
    // The focus came with a click that is not over yet: that click selects everything.
    bool m_focusedByClick = false;
    bool m_clickedToBecomeFirstResponder = false;
};
