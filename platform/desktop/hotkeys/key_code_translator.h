#pragma once

#include <QString>

namespace platform {

// The name a key carries for display: a character key as its upper-case character ("A", "5", "§"),
// another key by its name ("Space", "F5", "Return").
class PTKeyCodeTranslator {
public:
    static PTKeyCodeTranslator& currentTranslator();
    QString translateKeyCode(qint64 keyCode) const;
    QString description() const;
};

}  // namespace platform
