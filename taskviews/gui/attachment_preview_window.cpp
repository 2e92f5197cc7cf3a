#include "taskviews/gui/attachment_preview_window.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPdfDocument>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {

// A preview fits the screen's middle; a long document scrolls.
QSize largestContentSize(const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QSize available = screen ? screen->availableSize() : QSize(1280, 800);
    return {std::min(900, available.width() * 2 / 3), std::min(700, available.height() * 3 / 4)};
}

// PDF pages beyond these are left to the program that opens the file.
constexpr int kMostPdfPagesShown = 20;

QString dateText(const QDateTime& date) {
    return date.isValid() ? QLocale().toString(date.toLocalTime(), QLocale::LongFormat)
                          : QApplication::translate("TDAttachmentPreviewWindow", "Unknown");
}

}  // namespace

TDAttachmentPreviewWindow* TDAttachmentPreviewWindow::shared() {
    static QPointer<TDAttachmentPreviewWindow> window;
    if (!window) {
        window = new TDAttachmentPreviewWindow;
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    return window;
}

TDAttachmentPreviewWindow::TDAttachmentPreviewWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), m_layout(new QStackedLayout(this)), m_pdf(new QPdfDocument(this)) {
    setObjectName(QStringLiteral("attachmentPreview"));
    m_layout->setContentsMargins(0, 0, 0, 0);
    // Also while the text shown has the keyboard.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_Space)}) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
}

TDAttachmentPreviewWindow::~TDAttachmentPreviewWindow() = default;

void TDAttachmentPreviewWindow::showPreview(const TDAttachmentPreview& preview, std::function<void()> open) {
    m_preview = preview;
    m_open = std::move(open);
    m_shownPages = 0;
    setWindowTitle(preview.name);
    switch (preview.kind) {
        case TDAttachmentPreviewKind::Image:
            p_replaceContent(p_imageView());
            break;
        case TDAttachmentPreviewKind::Pdf:
            p_replaceContent(p_pdfView());
            break;
        case TDAttachmentPreviewKind::Text:
            p_replaceContent(p_textView());
            break;
        case TDAttachmentPreviewKind::Summary:
            p_replaceContent(p_summaryView());
            break;
        case TDAttachmentPreviewKind::Missing:
            p_replaceContent(p_missingView());
            break;
    }
    adjustSize();
    show();
    raise();
    activateWindow();
}

void TDAttachmentPreviewWindow::p_replaceContent(QWidget* content) {
    if (m_content) {
        m_layout->removeWidget(m_content);
        m_content->deleteLater();
    }
    m_content = content;
    m_layout->addWidget(content);
    m_layout->setCurrentWidget(content);
}

QWidget* TDAttachmentPreviewWindow::p_imageView() {
    QImageReader reader(m_preview.path);
    reader.setAutoTransform(true);
    const QSize largest = largestContentSize(this);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > largest.width() || size.height() > largest.height()))
        reader.setScaledSize(size.scaled(largest, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull()) return p_summaryView();
    auto* label = new QLabel;
    label->setAlignment(Qt::AlignCenter);
    label->setPixmap(QPixmap::fromImage(image));
    label->setObjectName(QStringLiteral("previewImage"));
    return label;
}

QWidget* TDAttachmentPreviewWindow::p_pdfView() {
    m_pdf->close();
    if (m_pdf->load(m_preview.path) != QPdfDocument::Error::None || m_pdf->pageCount() == 0)
        return p_summaryView();
    auto* pages = new QWidget;
    auto* column = new QVBoxLayout(pages);
    column->setSpacing(12);
    const QSize largest = largestContentSize(this);
    const int width = largest.width() - 40;
    for (int page = 0; page < std::min(m_pdf->pageCount(), kMostPdfPagesShown); ++page) {
        const QSizeF points = m_pdf->pagePointSize(page);
        if (points.isEmpty()) continue;
        const QSize pixels(width, int(width * points.height() / points.width()));
        // Pages are drawn without paper: white under them, a thin edge around them.
        QImage sheet(pixels, QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        painter.drawImage(0, 0, m_pdf->render(page, pixels));
        painter.setPen(QColor(0, 0, 0, 60));
        painter.drawRect(sheet.rect().adjusted(0, 0, -1, -1));
        painter.end();
        auto* label = new QLabel;
        label->setPixmap(QPixmap::fromImage(sheet));
        label->setAlignment(Qt::AlignHCenter);
        column->addWidget(label);
        ++m_shownPages;
    }
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("previewPdf"));
    scroll->setBackgroundRole(QPalette::Dark);
    scroll->setWidget(pages);
    scroll->setAlignment(Qt::AlignHCenter);
    scroll->setMinimumSize(largest);
    return scroll;
}

QWidget* TDAttachmentPreviewWindow::p_textView() {
    auto* text = new QPlainTextEdit;
    text->setObjectName(QStringLiteral("previewText"));
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setPlainText(m_preview.textIsCut ? m_preview.text + QStringLiteral("\n…") : m_preview.text);
    text->setMinimumSize(largestContentSize(this) * 0.8);
    return text;
}

QWidget* TDAttachmentPreviewWindow::p_summaryView() {
    auto* summary = new QWidget;
    summary->setObjectName(QStringLiteral("previewSummary"));
    auto* row = new QHBoxLayout(summary);
    row->setContentsMargins(24, 24, 24, 24);
    row->setSpacing(20);
    auto* icon = new QLabel;
    const QIcon themed = QIcon::fromTheme(m_preview.iconName);
    const QIcon fileIcon = themed.isNull() ? QFileIconProvider().icon(QFileInfo(m_preview.path)) : themed;
    icon->setPixmap(fileIcon.pixmap(96, 96));
    icon->setAlignment(Qt::AlignTop);
    row->addWidget(icon);
    auto* facts = new QVBoxLayout;
    auto* name = new QLabel(m_preview.name);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    name->setFont(bold);
    name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    facts->addWidget(name);
    auto* form = new QFormLayout;
    QString kind = m_preview.typeName;
    if (!kind.isEmpty()) kind[0] = kind[0].toUpper();
    form->addRow(tr("Kind:"), new QLabel(kind));
    form->addRow(tr("Size:"), new QLabel(QLocale().formattedDataSize(m_preview.size)));
    form->addRow(tr("Created:"), new QLabel(dateText(m_preview.created)));
    form->addRow(tr("Modified:"), new QLabel(dateText(m_preview.modified)));
    facts->addLayout(form);
    facts->addStretch();
    if (m_open) {
        auto* open = new QPushButton(tr("Open"));
        open->setObjectName(QStringLiteral("previewOpen"));
        connect(open, &QPushButton::clicked, this, [this] {
            if (m_open) m_open();
        });
        facts->addWidget(open, 0, Qt::AlignRight);
    }
    row->addLayout(facts, 1);
    summary->setMinimumWidth(440);
    return summary;
}

QWidget* TDAttachmentPreviewWindow::p_missingView() {
    auto* label = new QLabel(tr("The file “%1” cannot be found. It may have been moved to another disk "
                                "or deleted.")
                                 .arg(m_preview.name));
    label->setObjectName(QStringLiteral("previewMissing"));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setMargin(24);
    label->setMinimumWidth(400);
    return label;
}
