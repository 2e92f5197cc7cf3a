#include "taskviews/gui/file_attachment_object.h"

#include "foundation/file_attachment.h"
#include "taskviews/attachment_preview.h"
#include "taskviews/file_attachment_actions.h"
#include "taskviews/file_attachment_geometry.h"
#include "taskviews/gui/attachment_preview_window.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMenu>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>
#include <QTextDocument>

namespace {

QString localized(const char* text) {
    return QCoreApplication::translate("Localizable", text);
}

// The name reads as part of the note: in the note's own font.
QFont titleFont(const QTextDocument* document) {
    if (document) return document->defaultFont();
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(11);
    return font;
}

QString lastKnownName(const BDAlias& alias) {
    const QString path = alias.fullPath();
    return QFileInfo(path.isEmpty() ? alias.path() : path).fileName();
}

// The curved arrow in the icon's lower left corner that marks a link to a file, not the file.
void drawAliasBadge(QPainter& painter, const QRectF& imageFrame) {
    const QRectF badge(imageFrame.left(), imageFrame.bottom() - 12, 12, 12);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.55), 1));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(badge.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    QPainterPath arrow;
    arrow.moveTo(badge.left() + 3, badge.bottom() - 3);
    arrow.quadTo(badge.left() + 3, badge.top() + 4, badge.right() - 4, badge.top() + 4);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1.4));
    painter.drawPath(arrow);
    QPainterPath head;
    head.moveTo(badge.right() - 2.5, badge.top() + 4);
    head.lineTo(badge.right() - 5.5, badge.top() + 1.5);
    head.lineTo(badge.right() - 5.5, badge.top() + 6.5);
    head.closeSubpath();
    painter.fillPath(head, Qt::black);
    painter.restore();
}

// The button face behind the attachment, when drawn as a button.
void drawButtonFace(QPainter& painter, const QRectF& frame) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(frame.topLeft(), frame.bottomLeft());
    fill.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0.015));
    fill.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.08));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(frame.adjusted(3, 3, -3, -3), 4, 4);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.2), 1));
    painter.drawRoundedRect(frame.adjusted(1.5, 1.5, -1.5, -1.5), 6, 6);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.25), 1));
    painter.drawRoundedRect(frame.adjusted(2.5, 2.5, -2.5, -2.5), 5, 5);
    painter.restore();
}

// A plain sheet with a folded corner: the icon when the desktop theme has none.
QPixmap genericDocumentPixmap(qreal devicePixelRatio) {
    QPixmap pixmap(QSize(32, 32) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath sheet;
    sheet.moveTo(6.5, 1.5);
    sheet.lineTo(19.5, 1.5);
    sheet.lineTo(26.5, 8.5);
    sheet.lineTo(26.5, 30.5);
    sheet.lineTo(6.5, 30.5);
    sheet.closeSubpath();
    painter.setPen(QPen(QColor(120, 120, 120), 1));
    painter.setBrush(QColor(250, 250, 250));
    painter.drawPath(sheet);
    painter.setBrush(QColor(220, 220, 220));
    painter.drawPolygon(QPolygonF({QPointF(19.5, 1.5), QPointF(19.5, 8.5), QPointF(26.5, 8.5)}));
    painter.setPen(QPen(QColor(180, 180, 180), 1));
    for (qreal y = 13.5; y < 28; y += 3) painter.drawLine(QPointF(10, y), QPointF(23, y));
    return pixmap;
}

}  // namespace

QIcon TDFileAttachmentObject::iconForAlias(const BDAlias& alias) {
    const QString path = alias.fullPath();
    if (!path.isEmpty()) {
        const QIcon icon = QFileIconProvider().icon(QFileInfo(path));
        if (!icon.isNull() && !icon.availableSizes().isEmpty()) m_icons.insert(alias.path(), icon);
    }
    if (const auto cached = m_icons.constFind(alias.path()); cached != m_icons.cend()) return *cached;
    // Never seen here: the icon of its kind, by its name.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(alias.path(), QMimeDatabase::MatchExtension);
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
}

QSizeF TDFileAttachmentObject::intrinsicSize(QTextDocument* document, int, const QTextFormat& format) {
    const std::optional<BDAlias> alias = fileAttachmentAlias(format.toCharFormat());
    const QString title = alias ? lastKnownName(*alias) : QString();
    const qreal width = QFontMetricsF(titleFont(document)).horizontalAdvance(title) + 4;
    // A name shorter than the icon still leaves room for the icon.
    return TDFileAttachmentGeometry::fromDefaults().cellSize(std::max(width, 40.0));
}

void TDFileAttachmentObject::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int,
                                        const QTextFormat& format) {
    const std::optional<BDAlias> alias = fileAttachmentAlias(format.toCharFormat());
    const TDFileAttachmentGeometry geometry = TDFileAttachmentGeometry::fromDefaults();
    if (geometry.bordered) drawButtonFace(*painter, rect);
    const QRectF imageFrame = geometry.imageFrame(rect);
    const QIcon icon = alias ? iconForAlias(*alias) : QIcon();
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap pixmap = icon.isNull() ? genericDocumentPixmap(ratio) : icon.pixmap(QSize(32, 32), ratio);
    painter->drawPixmap(imageFrame, pixmap, QRectF(QPointF(0, 0), QSizeF(pixmap.size())));
    drawAliasBadge(*painter, imageFrame);

    const QFont font = titleFont(document);
    const QFontMetricsF metrics(font);
    const QRectF titleFrame = geometry.titleFrame(rect, metrics.height());
    const QString title = alias ? lastKnownName(*alias) : QString();
    painter->save();
    painter->setFont(font);
    painter->setPen(QColor::fromRgbF(0.1f, 0.1f, 0.1f));
    if (geometry.iconLeft)
        painter->drawText(titleFrame, Qt::AlignLeft | Qt::AlignVCenter,
                          metrics.elidedText(title, Qt::ElideRight, titleFrame.width()));
    else
        painter->drawText(titleFrame, Qt::AlignHCenter | Qt::AlignVCenter,
                          metrics.elidedText(title, Qt::ElideMiddle, titleFrame.width()));
    painter->restore();
}

void TDFileAttachmentObject::showPreviewOfAttachment(std::shared_ptr<TDFileAttachmentActions> actions) {
    // The file is looked for afresh: it may have moved since the notes were shown.
    const TDAttachmentPreview preview = TDAttachmentPreviewOf(actions->path(), actions->title());
    std::function<void()> open;
    if (!preview.path.isEmpty()) open = [actions] { actions->open(); };
    TDAttachmentPreviewWindow::shared()->showPreview(preview, std::move(open));
}

QMenu* TDFileAttachmentObject::menuForAttachment(std::unique_ptr<TDFileAttachmentActions> owned,
                                                 QWidget* dialogParent) {
    auto* menu = new QMenu(dialogParent);
    // The menu lives as long as its items can be chosen; the actions go with it.
    std::shared_ptr<TDFileAttachmentActions> actions(std::move(owned));
    const bool available = actions->isAvailable();

    QAction* open = menu->addAction(localized("Open"));
    open->setEnabled(available);
    QObject::connect(open, &QAction::triggered, menu, [actions] { actions->open(); });

    if (available) {
        QMenu* openWith = menu->addMenu(localized("Open With"));
        const QList<platform::DesktopApplication> applications = actions->openWithApplications();
        for (qsizetype i = 0; i < applications.size(); ++i) {
            const platform::DesktopApplication& application = applications[i];
            QAction* item = openWith->addAction(QIcon::fromTheme(application.iconName), application.name);
            QObject::connect(item, &QAction::triggered, menu,
                             [actions, application] { actions->openWith(application); });
            // The default application stands apart from the others.
            if (i == 0 && applications.size() > 1) openWith->addSeparator();
        }
        if (!openWith->isEmpty()) openWith->addSeparator();
        QAction* other = openWith->addAction(localized("Other…"));
        QObject::connect(other, &QAction::triggered, menu, [actions, dialogParent] {
            const QString folder =
                QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation).value(0);
            const QString chosen = QFileDialog::getOpenFileName(
                dialogParent, localized("Choose Application"), folder, localized("Applications (*.desktop)"));
            if (!chosen.isEmpty()) actions->openWithApplicationAtPath(chosen);
        });
    }

    QAction* preview = menu->addAction(localized("Preview"));
    QObject::connect(preview, &QAction::triggered, menu, [actions] { showPreviewOfAttachment(actions); });

    QAction* show = menu->addAction(localized("Show in File Manager"));
    show->setEnabled(available);
    QObject::connect(show, &QAction::triggered, menu, [actions] { actions->showInFileManager(); });
    return menu;
}
