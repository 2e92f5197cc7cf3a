#pragma once

#include "foundation/alias.h"

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QTextObjectInterface>

#include <memory>

class QMenu;
class QWidget;
class TDFileAttachmentActions;

// Draws the files attached to notes: the file's icon with a small link badge, its name below (or beside
// it, by "fileAttachmentIconPosition"), optionally on a button face ("fileAttachmentDrawAsButton"). The
// file is referred to by its alias record, never copied. A file that cannot be found keeps the icon it
// had when last seen (or that of its kind) and its last known name.
class TDFileAttachmentObject final : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    explicit TDFileAttachmentObject(QObject* parent = nullptr) : QObject(parent) {}

    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;

    // The icon for the file as it was last seen.
    QIcon iconForAlias(const BDAlias& alias);

    // Open, Open With (the desktop's applications for the file's type, then "Other…"), Preview and
    // Show in File Manager; a file that cannot be found has no Open With, and Open and Show are disabled
    // (its preview says it is missing). The menu owns
    // the actions object, and `dialogParent` parents the "Other…" file dialog.
    static QMenu* menuForAttachment(std::unique_ptr<TDFileAttachmentActions> actions, QWidget* dialogParent);

    // The shared preview window shows the file as it is now.
    static void showPreviewOfAttachment(std::shared_ptr<TDFileAttachmentActions> actions);

private:
    // Icons by the path the alias recorded: a file that vanishes keeps its icon.
    QHash<QString, QIcon> m_icons;
};
