#pragma once

#include <QObject>

// The desktop's word that its top bar was shown or hidden (it hides while a window is shown full
// screen in front). Floating panels listen to it, so that they do not stand over such a window.
class TDMenuBarEvents : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

Q_SIGNALS:
    void menuBarShown();
    void menuBarHidden();
};
