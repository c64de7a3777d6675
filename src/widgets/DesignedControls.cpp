#include "widgets/DesignedControls.h"

#include "widgets/ImgBtn.h"

#include <QLabel>

TImgBtn* MakeButton(QWidget* parent, int left, int top, const QString& hint) {
    auto* button = new TImgBtn(parent);
    button->move(left, top);
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(hint);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& place, Qt::Alignment alignment) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

QLabel* MakeWrappingLabel(QWidget* parent, const QString& text, const QRect& place, Qt::Alignment alignment) {
    QLabel* label = MakeLabel(parent, text, place, alignment);
    label->setWordWrap(true);
    return label;
}

QWidget* MakePanel(QWidget* parent, const QRect& place, const char* name) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setGeometry(place);
    panel->setAttribute(Qt::WA_TranslucentBackground);
    return panel;
}

void NameControls(std::initializer_list<std::pair<QWidget*, const char*>> controls) {
    for (const auto& [control, name] : controls) {
        control->setObjectName(QLatin1String(name));
        if (!control->accessibleName().isEmpty())
            continue;
        const auto* label = qobject_cast<const QLabel*>(control);
        const QString caption = label ? label->text() : QString();
        control->setAccessibleName(caption.isEmpty() ? control->toolTip() : caption);
    }
}
