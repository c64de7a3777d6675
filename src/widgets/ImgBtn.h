#pragma once

#include <QPixmap>
#include <QWidget>

// The program's push button: a picture with the words painted in. It shows one of four pictures:
// `Pic` normally, `PicUp` while the mouse is over it, `PicDown` while it is pressed with the mouse
// over it, and `PicDisabled` while it is disabled. Skins replace the pictures per language.
// It sizes itself to `Pic` and fires `Click` when the left button is pressed and released on it.
class TImgBtn : public QWidget {
    Q_OBJECT
public:
    explicit TImgBtn(QWidget* parent = nullptr);

    // Assigning the normal picture also shows it, whatever the button's state.
    void SetPic(const QPixmap& picture);
    // The other three only fill their store; the picture shown does not change.
    void SetPicUp(const QPixmap& picture) { m_picUp = picture; }
    void SetPicDown(const QPixmap& picture) { m_picDown = picture; }
    void SetPicDisabled(const QPixmap& picture) { m_picDisabled = picture; }

    const QPixmap& Pic() const { return m_pic; }
    const QPixmap& PicUp() const { return m_picUp; }
    const QPixmap& PicDown() const { return m_picDown; }
    const QPixmap& PicDisabled() const { return m_picDisabled; }
    // The picture on screen now.
    const QPixmap& Picture() const { return m_shown; }

    // False makes the button a plain picture: no picture changes and none of its four mouse
    // events, while clicks still work.
    bool Supported = true;

    // Shows `Pic` when enabling and `PicDisabled` when disabling, even when the state is unchanged.
    // Only this setting shows the disabled picture; a disabled window leaves its buttons' pictures.
    void SetEnabled(bool enabled);

    bool IsMouseOver() const { return m_mouseOver; }
    bool IsPressed() const { return m_pressed; }

Q_SIGNALS:
    void Click();
    void OnMouseEnter();
    void OnMouseLeave();
    void OnMouseDown();
    void OnMouseUp();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Show(const QPixmap& picture);
    void MouseEntered();
    void MouseLeft();

    bool m_ownEnabled = true;
    bool m_mouseOver = false;
    bool m_pressed = false;
    QPixmap m_pic;
    QPixmap m_picDown;
    QPixmap m_picUp;
    QPixmap m_picDisabled;
    QPixmap m_shown;
};
