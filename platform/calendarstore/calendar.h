#pragma once

#include <QString>

#include <utility>

namespace platform {

// A calendar of the calendar store: a folder of task files. Its uid is the folder's name, its title and
// colour come from the folder's "displayname" and "color" files, as other programs sharing the folder
// expect. A plain value; the store answers fresh ones.
class Calendar final {
public:
    Calendar() = default;
    Calendar(QString uid, QString title, QString color, bool editable)
        : m_uid(std::move(uid)), m_title(std::move(title)), m_color(std::move(color)), m_editable(editable) {}

    QString uid() const { return m_uid; }
    // The "displayname", else the folder's name.
    QString title() const { return m_title; }
    // "#RRGGBB" or "#RRGGBBAA"; empty when the calendar has none.
    QString color() const { return m_color; }
    // The folder can be written.
    bool isEditable() const { return m_editable; }

private:
    QString m_uid;
    QString m_title;
    QString m_color;
    bool m_editable = false;
};

}  // namespace platform
