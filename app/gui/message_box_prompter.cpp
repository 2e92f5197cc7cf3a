#include "app/gui/message_box_prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

int TDMessageBoxPrompter::runModal(const TDAlert& alert) {
    // The question goes on the window the person works in (the preferences, say), which then has the
    // keyboard back once it is answered.
    QWidget* active = QApplication::activeWindow();
    QMessageBox box(active ? active : m_parent);
    box.setIcon(QMessageBox::Warning);
    box.setText(alert.messageText);
    box.setInformativeText(alert.informativeText);
    QList<QAbstractButton*> buttons;
    for (const QString& title : alert.buttons) buttons << box.addButton(title, QMessageBox::AcceptRole);
    if (!buttons.isEmpty()) box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}
