#pragma once

#include <QWidget>

// The widget itself when it is a T, else the first T in a depth-first walk of its child widgets in
// order; null when none.
template <typename T>
T* subviewOfClass(QWidget* widget) {
    if (!widget) return nullptr;
    if (T* match = qobject_cast<T*>(widget)) return match;
    for (QObject* child : widget->children()) {
        if (!child->isWidgetType()) continue;
        if (T* match = subviewOfClass<T>(static_cast<QWidget*>(child))) return match;
    }
    return nullptr;
}

// A length in the widget's coordinates in device pixels, for drawing into a backing image.
inline qreal convertLengthToLayer(const QWidget& widget, qreal length) {
    return length * widget.devicePixelRatioF();
}
