#pragma once

#include "taskviews/attachment_preview.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPdfDocument;
class QScrollArea;
class QStackedLayout;

// A quick look at an attached file without another program: images and PDF pages drawn, text files
// shown from their start in a fixed-width font, any other file as its icon, name, kind, size and dates
// with an Open button. The file is only read, never run. Escape and Space close it. One window serves
// every preview.
class TDAttachmentPreviewWindow final : public QWidget {
    Q_OBJECT

public:
    // The shared window, made on first use.
    static TDAttachmentPreviewWindow* shared();
    explicit TDAttachmentPreviewWindow(QWidget* parent = nullptr);
    ~TDAttachmentPreviewWindow() override;

    // Shows the preview; `open` runs when the person chooses Open (none: no Open button).
    void showPreview(const TDAttachmentPreview& preview, std::function<void()> open = {});
    const TDAttachmentPreview& preview() const { return m_preview; }
    // PDF pages drawn (tests).
    int shownPageCount() const { return m_shownPages; }

private:
    QWidget* p_imageView();
    QWidget* p_pdfView();
    QWidget* p_textView();
    QWidget* p_summaryView();
    QWidget* p_missingView();
    void p_replaceContent(QWidget* content);

    TDAttachmentPreview m_preview;
    std::function<void()> m_open;
    QStackedLayout* m_layout;
    QWidget* m_content = nullptr;
    QPdfDocument* m_pdf;
    int m_shownPages = 0;
};
