#pragma once

#include <QPixmap>
#include <QString>

// The source list's group images by the names the model gives them ("Inbox", "today_09", "Upcoming",
// "folder", "list", "sfolder", "tag_yellow", "tag_pink"), painted once on first use and kept, at twice
// the pixel density so they stay sharp on dense screens. A null pixmap for a name without an image.
namespace group_images {

inline constexpr int kImageSize = 16;

const QPixmap& imageNamed(const QString& name);

}  // namespace group_images
