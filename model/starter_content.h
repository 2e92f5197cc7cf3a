#pragma once

#include <QString>
#include <QVariantMap>

class TDGroup;
class TDLibrary;
class TDList;

// The starter content of a new library, shipped as property lists under ":/starter/".

// The dictionary of the resource "<name>.plist"; empty (and logged) when it is missing or unreadable.
QVariantMap TDStarterResource(const QString& name);
// The quick guide: a list made from the resource "quickguide" (its "title", and "tasks", an array of
// import dictionaries), appended to `parent`. Without the resource the list has default values.
TDList* TDCreateQuickGuideList(TDLibrary* library, TDGroup* parent);
