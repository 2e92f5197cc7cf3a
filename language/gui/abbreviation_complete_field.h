#pragma once

#include "language/abbreviation_completion.h"

#include <QLineEdit>
#include <QString>
#include <QStringList>

#include <utility>

class TDAbbreviationCompleteField;

// Supplies the names a completion field offers.
class TDAbbreviationCompleteFieldDelegate {
public:
    virtual ~TDAbbreviationCompleteFieldDelegate() = default;
    // The candidate names for the lower-cased typed string, best first; the field shows the first.
    virtual QStringList completionsForString(TDAbbreviationCompleteField* field, const QString& typed) = 0;
};

// A text field that completes a typed abbreviation inline: it shows the best candidate's whole name
// with the letters that the typed ones matched in bold and the rest in grey ("wor" shows "Work Orders"
// with "Wor" bold; see TDAbbreviationCompletion). The cursor moves only among the typed letters, and
// deleting removes typed letters. Text the field's font cannot show, or text an input method is still
// composing, is left as typed.
class TDAbbreviationCompleteField final : public QLineEdit {
    Q_OBJECT

public:
    explicit TDAbbreviationCompleteField(QWidget* parent = nullptr);

    TDAbbreviationCompleteFieldDelegate* delegate() const { return m_delegate; }
    // Not owned.
    void setDelegate(TDAbbreviationCompleteFieldDelegate* delegate) { m_delegate = delegate; }

    QString typedString() const { return m_typed; }
    // The candidate name shown; empty when there is none.
    QString matchString() const { return m_match; }
    // What the field shows and how.
    const TDAbbreviationCompletion& completion() const { return m_completion; }
    // Shows this name for the typed letters without asking the delegate.
    void updateMatchString(const QString& name);

    // How many typed letters stand before the cursor.
    qsizetype typedCursorPosition() const;
    // Beyond the typed letters the cursor stays where it is.
    void setTypedCursorPosition(qsizetype position);

    // Inserts text as if typed at the cursor (replacing selected typed letters) and completes again.
    void insertTypedText(const QString& text);

    bool isBuildingUpNonLatinString() const { return m_composing; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // The typed letters under the field's selection or at its cursor.
    std::pair<qsizetype, qsizetype> p_typedSelection() const;
    void p_deleteBackward();
    void p_deleteForward();
    // Asks the delegate for the typed letters and shows the first name.
    void p_complete(qsizetype typedCursor);
    void p_show(qsizetype typedCursor);
    void p_applyStyles();
    bool p_fontShowsTyped() const;
    void p_adoptText();

    TDAbbreviationCompleteFieldDelegate* m_delegate = nullptr;
    QString m_typed;
    QString m_match;
    TDAbbreviationCompletion m_completion{QString(), QString()};
    bool m_composing = false;
    bool m_updating = false;
};
