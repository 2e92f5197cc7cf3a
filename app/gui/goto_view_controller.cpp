#include "app/gui/goto_view_controller.h"

#include "app/goto_controller.h"
#include "app/gui/command_view.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

namespace {

// A small triangle pointing up or down for the arrow buttons.
QIcon arrowIcon(bool up) {
    QPixmap pixmap(QSize(9, 7) * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPolygonF triangle;
    if (up)
        triangle << QPointF(0.5, 6.5) << QPointF(4.5, 0.5) << QPointF(8.5, 6.5);
    else
        triangle << QPointF(0.5, 0.5) << QPointF(8.5, 0.5) << QPointF(4.5, 6.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x3a, 0x3e, 0x44));
    painter.drawPolygon(triangle);
    return QIcon(pixmap);
}

const char* kButtonStyle =
    "QToolButton { border: 1px solid #8d9299; border-radius: 4px; padding: 1px 6px;"
    " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfdfd, stop:1 #e2e4e7); color: #2b2f34; }"
    "QToolButton:pressed { background: #c9ccd1; }"
    "QToolButton:disabled { color: #9a9ea4; border-color: #b5b9be; }";

}  // namespace

TDGotoViewController::TDGotoViewController(TDGotoController& controller, QObject* parent)
    : TDCommandViewController(parent), m_controller(controller) {
    connect(&m_controller, &TDGotoController::infoChanged, this, &TDGotoViewController::p_updateInfo);
    connect(&m_controller, &TDGotoController::clearSearchField, this, [this] {
        if (m_searchField) m_searchField->clear();
    });
}

TDGotoViewController::~TDGotoViewController() = default;

QWidget* TDGotoViewController::makeView() {
    auto* view = new TDCommandView;
    view->setObjectName(QStringLiteral("GotoView"));
    auto* layout = new QHBoxLayout(view);
    layout->setContentsMargins(10, 6, 10, 5);
    layout->setSpacing(6);

    auto* label = new QLabel(tr("Go to:"), view);
    label->setStyleSheet(QStringLiteral("color: #33373c; font-weight: bold; font-size: 12px;"));
    m_searchField = new TDAbbreviationCompleteField(view);
    m_searchField->setDelegate(this);
    m_searchField->setPlaceholderText(tr("Type a list, folder or /tag"));
    m_searchField->setMinimumWidth(220);
    m_searchField->setMaximumWidth(360);
    m_searchField->installEventFilter(this);

    for (int segment : {1, 0}) {
        auto* arrow = new QToolButton(view);
        arrow->setIcon(arrowIcon(segment == 1));
        arrow->setIconSize(QSize(9, 7));
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setStyleSheet(QString::fromLatin1(kButtonStyle));
        arrow->setToolTip(segment == 1 ? tr("Previous match") : tr("Next match"));
        connect(arrow, &QToolButton::clicked, this, [this, segment] { cycleThroughMatches(segment == 1); });
        m_arrows[segment] = arrow;
    }

    m_infoField = new QLabel(view);
    m_infoField->setStyleSheet(QStringLiteral("color: #4b5057; font-size: 11px;"));
    m_infoField->hide();

    m_cancelButton = new QToolButton(view);
    m_cancelButton->setText(tr("Cancel"));
    m_cancelButton->setFocusPolicy(Qt::NoFocus);
    m_cancelButton->setStyleSheet(QString::fromLatin1(kButtonStyle));
    connect(m_cancelButton, &QToolButton::clicked, &m_controller, &TDGotoController::cancel);

    layout->addWidget(label);
    layout->addWidget(m_searchField, 1);
    layout->addWidget(m_arrows[1]);
    layout->addWidget(m_arrows[0]);
    layout->addWidget(m_infoField);
    layout->addStretch();
    layout->addWidget(m_cancelButton);
    p_updateInfo();
    return view;
}

TDAbbreviationCompleteField* TDGotoViewController::searchField() {
    view();
    return m_searchField;
}

QLabel* TDGotoViewController::infoField() {
    view();
    return m_infoField;
}

QToolButton* TDGotoViewController::arrowButton(int segment) {
    view();
    return m_arrows[segment == 1 ? 1 : 0];
}

QToolButton* TDGotoViewController::cancelButton() {
    view();
    return m_cancelButton;
}

QStringList TDGotoViewController::completionsForString(TDAbbreviationCompleteField* field,
                                                       const QString& typed) {
    return m_controller.completionsForString(typed, field->isBuildingUpNonLatinString());
}

void TDGotoViewController::cycleThroughMatches(bool up) {
    const QString name = m_controller.cycleThroughMatches(up);
    if (!name.isEmpty()) m_searchField->updateMatchString(name);
}

void TDGotoViewController::p_updateInfo() {
    if (!m_infoField) return;
    m_infoField->setVisible(!m_controller.isInfoHidden());
    m_infoField->setText(m_controller.infoText());
    for (QToolButton* arrow : m_arrows) arrow->setEnabled(m_controller.arrowsEnabled());
}

void TDGotoViewController::viewDidMoveToSuperview() {
    m_controller.viewDidOpen();
    searchField()->setFocus(Qt::OtherFocusReason);
}

void TDGotoViewController::viewDidRemoveFromSuperview() {
    m_controller.viewDidClose();
}

bool TDGotoViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_searchField && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
                cycleThroughMatches(key->key() == Qt::Key_Up);
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                m_controller.done();
                return true;
            case Qt::Key_Escape:
                m_controller.cancel();
                return true;
            default:
                break;
        }
    }
    return TDCommandViewController::eventFilter(watched, event);
}
