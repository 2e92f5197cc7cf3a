#include "taskviews/gui/spelling_menu.h"

#include "platform/defaults/user_defaults.h"
#include "taskviews/gui/notes_editor.h"

#include <QApplication>
#include <QMenu>

namespace {

// Every notes editor follows the setting, so it alone says whether spelling is checked.
bool spellingIsOn() {
    return platform::UserDefaults::standard().boolean(QStringLiteral("checkSpellingContinuously"));
}

}  // namespace

QMenu* TDAddSpellingMenu(QMenu& edit) {
    QMenu* spelling = edit.addMenu(QApplication::translate("TDSpellingMenu", "Spelling and Grammar"));
    QAction* whileTyping = spelling->addAction(
        QApplication::translate("TDSpellingMenu", "Check Spelling While Typing"), spelling, [] {
            platform::UserDefaults::standard().setValue(QStringLiteral("checkSpellingContinuously"),
                                                        !spellingIsOn());
        });
    whileTyping->setCheckable(true);
    QAction* grammar =
        spelling->addAction(QApplication::translate("TDSpellingMenu", "Check Grammar With Spelling"),
                            spelling, [] { TDNotesTextView::toggleGrammarChecking(); });
    grammar->setCheckable(true);
    QAction* noGrammar =
        spelling->addAction(QApplication::translate("TDSpellingMenu", "No Grammar Checker Is Installed"));
    noGrammar->setEnabled(false);
    QObject::connect(spelling, &QMenu::aboutToShow, spelling, [whileTyping, grammar] {
        whileTyping->setChecked(spellingIsOn());
        grammar->setChecked(TDNotesTextView::isGrammarCheckingEnabled());
    });
    return spelling;
}
