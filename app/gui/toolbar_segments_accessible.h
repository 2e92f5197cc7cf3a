#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// What a screen reader meets in a toolbar segmented control: one button per segment, named after the
// segment's action (its tool tip), which it can press. Installed as an accessibility factory.
QAccessibleInterface* TDToolbarSegmentsAccessibleFactory(const QString& className, QObject* object);
