#pragma once

class QMenu;

// Edit > Spelling and Grammar: Check Spelling While Typing ("checkSpellingContinuously") and Check
// Grammar With Spelling ("checkGrammar", kept for a grammar checker, of which none is installed here:
// the menu says so). Every notes editor follows the first at once.
QMenu* TDAddSpellingMenu(QMenu& edit);
