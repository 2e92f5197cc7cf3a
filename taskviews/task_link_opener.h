#pragma once

#include <QList>
#include <QUrl>

class TDTask;

// How the tasks controller hands the links of notes to the desktop. Notes arrive by paste and sync, so
// a link that could run something is opened only after the user agrees.
class TDTaskLinkOpener {
public:
    virtual ~TDTaskLinkOpener() = default;

    // `inBackground`: the program stays in front.
    virtual void openURL(const QUrl& url, bool inBackground) = 0;
    // True when the user agrees to open the link.
    virtual bool confirmOpening(const QUrl& url) = 0;
};

// Web pages, mail, documents and Ordello's own links open at once; any other scheme, and a file that is a
// program or a desktop entry, ask first.
bool TDLinkNeedsConfirmation(const QUrl& url);

// The links of the task's notes, in order, each once: the notes' own links and the addresses typed in
// their text.
QList<QUrl> TDLinksInNotes(const TDTask* task);
