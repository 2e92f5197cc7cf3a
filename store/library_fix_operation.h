#pragma once

#include <QtGlobal>

class TDLibrary;

// Repairs in place what the library's validation reports and counts the objects it changed. It does
// not save: the caller decides whether and when. Runs synchronously on the thread that owns the
// library's context.
class TDLibraryFixOperation final {
public:
    explicit TDLibraryFixOperation(TDLibrary* library) : m_library(library) {}

    void start() { performOperation(); }
    void performOperation();
    quint64 numberOfProblemsFixed() const { return m_numberOfProblemsFixed; }
    void setNumberOfProblemsFixed(quint64 number) { m_numberOfProblemsFixed = number; }

private:
    void p_fixLibraryObjects();
    void p_fixSpecialGroups();
    void p_fixParentlessGroups();
    void p_fixMisplacedLists();
    void p_fixDuplicateGroupUIDs();
    void p_fixTags();
    void p_fixSmartFolderRules();
    void p_fixTasksWithoutList();
    void p_fixDuplicateTaskUIDs();
    void p_fixTagsNamedInTitles();
    void p_fixStatuses();
    void p_fixArchiveFlags();
    void p_fixNotes();
    void p_fixRecurrences();

    TDLibrary* m_library;
    quint64 m_numberOfProblemsFixed = 0;
};
