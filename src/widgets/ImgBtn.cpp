#include "widgets/ImgBtn.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

TImgBtn::TImgBtn(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
}

void TImgBtn::SetPic(const QPixmap& picture) {
    m_pic = picture;
    Show(m_pic);
}

void TImgBtn::SetEnabled(bool enabled) {
    m_ownEnabled = enabled;
    setEnabled(enabled);
    Show(enabled ? m_pic : m_picDisabled);
}

void TImgBtn::Show(const QPixmap& picture) {
    m_shown = picture;
    // The button takes the size of its picture; an empty picture keeps the designed size.
    if (!m_shown.isNull() && size() != m_shown.deviceIndependentSize().toSize())
        resize(m_shown.deviceIndependentSize().toSize());
    update();
}

void TImgBtn::paintEvent(QPaintEvent*) {
    if (m_shown.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_shown);
}

void TImgBtn::MouseEntered() {
    m_mouseOver = true;
    if (isEnabled())
        Show(m_pressed ? m_picDown : m_picUp);
    Q_EMIT OnMouseEnter();
}

void TImgBtn::MouseLeft() {
    m_mouseOver = false;
    if (isEnabled())
        Show(m_pic);
    Q_EMIT OnMouseLeave();
}

void TImgBtn::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (Supported && !m_mouseOver)
        MouseEntered();
}

void TImgBtn::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (Supported && m_mouseOver)
        MouseLeft();
}

void TImgBtn::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !Supported)
        return;
    m_pressed = true;
    // A press can arrive without an enter notification (a window that just appeared under the
    // pointer); the press itself shows that the pointer is over the button.
    m_mouseOver = true;
    if (isEnabled())
        Show(m_picDown);
    Q_EMIT OnMouseDown();
}

void TImgBtn::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    // While the button is held, the pointer stays grabbed by it: leaving and coming back are
    // seen here.
    if (!Supported || !m_pressed)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside && !m_mouseOver)
        MouseEntered();
    else if (!inside && m_mouseOver)
        MouseLeft();
}

void TImgBtn::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    // The click runs while the pressed picture is still shown; the mouse-over picture returns
    // only after it, which matters when the click opens a modal window.
    if (inside)
        Q_EMIT Click();
    if (!Supported)
        return;
    m_pressed = false;
    if (isEnabled() && m_mouseOver)
        Show(m_picUp);
    Q_EMIT OnMouseUp();
}

void TImgBtn::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Only the button's own setting shows the disabled picture. While its window is disabled (a
    // catalogue request, a modal dialog) it keeps its normal picture; when the window comes back,
    // a button under the mouse shows its mouse-over picture again, wherever the mouse went meanwhile.
    if (event->type() != QEvent::EnabledChange || !m_ownEnabled)
        return;
    m_pressed = false;
    m_mouseOver = isEnabled() && rect().contains(mapFromGlobal(QCursor::pos()));
    Show(m_mouseOver && Supported ? m_picUp : m_pic);
}
