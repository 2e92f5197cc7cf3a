#pragma once

#include <QSet>

class TDTag;

// The tag filter after a click on a tag's button or menu item. With `additive` (Ctrl or Shift held) the
// tag joins the filter or leaves it and the others stay; a plain click filters by this tag alone, or
// clears the filter when it was this tag alone.
QSet<TDTag*> TDTagFilterAfterToggling(const QSet<TDTag*>& filter, TDTag* tag, bool additive);
