// The configuration window's controls in their designed places, with their built-in pictures and
// hints.
#include "app/BuiltinPictures.h"
#include "app/UMainForm.h"
#include "catalogue/CamTree.h"
#include "i18n/ImgBtn.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

namespace {

TImgBtn* MakeButton(QWidget* parent, const QString& skinName, int left, int top, const QString& hint) {
    auto* button = new TImgBtn(parent);
    LoadBuiltinButtonPictures(*button, skinName);
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

} // namespace

void TMainForm::CreateControls() {
    setWindowTitle(QStringLiteral("Lumora"));
    setWindowIcon(BuiltinApplicationIcon());
    setFixedSize(597, 398);

    MainImage = new QLabel(this);
    MainImage->setGeometry(0, 0, 597, 398);
    MainImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MainImage->setPixmap(BuiltinPicture(QStringLiteral("mainform/background")));

    constexpr int Right = 475;
    OKBut = MakeButton(this, QStringLiteral("ok"), Right, 80,
                       QStringLiteral("Save & apply current settings and hide configuration window"));
    Applybut =
        MakeButton(this, QStringLiteral("apply"), Right, 109, QStringLiteral("Apply current settings"));
    CancelBut =
        MakeButton(this, QStringLiteral("cancel"), Right, 138, QStringLiteral("Cancel current settings"));
    RestoreBut =
        MakeButton(this, QStringLiteral("restore"), Right, 167, QStringLiteral("Restore to last settings"));
    ShutdownBut = MakeButton(this, QStringLiteral("shutdown"), Right, 210, QStringLiteral("Shut down"));
    CamPageBut = MakeButton(this, QStringLiteral("camhomepage"), Right, 239,
                            QStringLiteral("Open current cam's homepage"));
    HelpBut = MakeButton(this, QStringLiteral("help"), Right, 268, QStringLiteral("Open Lumora manual"));
    TellBut = MakeButton(this, QStringLiteral("tellafriend"), Right, 339,
                         QStringLiteral("Tell a friend about Lumora"));
    KorvexBut = MakeButton(this, QStringLiteral("korvex"), Right, 368,
                           QStringLiteral("Open Korvex Software homepage"));
    PlusBut = MakeButton(this, QStringLiteral("plus"), 15, 363, QStringLiteral("Add a new custom cam"));
    MinusBut =
        MakeButton(this, QStringLiteral("minus"), 40, 363, QStringLiteral("Delete current custom cam"));
    EditBut = MakeButton(this, QStringLiteral("edit"), 65, 363, QStringLiteral("Edit current custom cam"));
    PlaceRightButtons(false);

    // Right-aligned labels may grow to the left: the platform's font can be wider than the designed one.
    CountryLabel = MakeLabel(this, QStringLiteral("Country"), QRect(9, 114, 44, 13), Qt::AlignRight);
    CountryBox = new QComboBox(this);
    CountryBox->setGeometry(56, 111, 132, 21);
    CountryBox->setToolTip(QStringLiteral("Filter cam list by country"));
    CountryBox->addItem(QStringLiteral("All Countries"));

    TreeView = new QTreeWidget(this);
    TreeView->setGeometry(15, 138, 173, 221);
    TreeView->setFrameShape(QFrame::NoFrame);
    TreeView->setHeaderHidden(true);
    TreeView->setRootIsDecorated(false);
    TreeView->setIndentation(15);
    TreeView->setMouseTracking(true);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setIconSize(QSize(11, 9));
    SetTreeImages(TreeView, {BuiltinPicture(QStringLiteral("tree/collapsed")),
                             BuiltinPicture(QStringLiteral("tree/expanded"))});

    TitleLabel = MakeLabel(this, QString(), QRect(214, 113, 240, 21), Qt::AlignLeft);
    QFont titleFont = TitleLabel->font();
    titleFont.setBold(true);
    titleFont.setPixelSize(13);
    TitleLabel->setFont(titleFont);
    TitleLabel->setStyleSheet(QStringLiteral("color: rgb(81, 81, 81);"));

    PreviewImage = new QLabel(this);
    PreviewImage->setGeometry(214, 138, 240, 175);
    PreviewImage->setScaledContents(true);

    DescriptionLabel = MakeLabel(this, QString(), QRect(214, 319, 240, 40), Qt::AlignLeft);
    DescriptionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    DescriptionLabel->setWordWrap(true);

    RefreshLabel =
        MakeLabel(this, QStringLiteral("Refresh time (seconds)"), QRect(207, 368, 126, 13), Qt::AlignRight);
    RefreshEdit = new QLineEdit(this);
    RefreshEdit->setGeometry(337, 364, 41, 21);
    RefreshEdit->setToolTip(QStringLiteral("Delay of refreshing wallpaper"));
    StretchLabel = MakeLabel(this, QStringLiteral("Stretch"), QRect(384, 368, 53, 13), Qt::AlignRight);
    StretchCheck = new QCheckBox(this);
    StretchCheck->setGeometry(440, 366, 14, 17);
    StretchCheck->setToolTip(QStringLiteral("Stretch wallpaper to fit screen size"));

    ErrorImage = BuiltinPicture(QStringLiteral("mainform/notavailable"));

    for (QLabel* small : {CountryLabel, RefreshLabel, StretchLabel, DescriptionLabel}) {
        QFont font = small->font();
        font.setPixelSize(10);
        small->setFont(font);
    }
}

void TMainForm::PlaceRightButtons(bool catalogueArrived) {
    const int shift = catalogueArrived ? 13 : 0;
    ShutdownBut->move(475, 210 + shift);
    CamPageBut->move(475, 239 + shift);
    HelpBut->move(475, 268 + shift);
    TellBut->setVisible(catalogueArrived);
}

void TMainForm::ConnectHandlers() {
    connect(OKBut, &TImgBtn::Click, this, &TMainForm::OKButClick);
    connect(Applybut, &TImgBtn::Click, this, &TMainForm::ApplybutClick);
    connect(CancelBut, &TImgBtn::Click, this, &TMainForm::CancelButClick);
    connect(RestoreBut, &TImgBtn::Click, this, &TMainForm::RestoreButClick);
    connect(ShutdownBut, &TImgBtn::Click, this, &TMainForm::ShutdownButClick);
    connect(CamPageBut, &TImgBtn::Click, this, &TMainForm::CamPageButClick);
    connect(HelpBut, &TImgBtn::Click, this, &TMainForm::HelpButClick);
    connect(TellBut, &TImgBtn::Click, this, &TMainForm::TellButClick);
    connect(KorvexBut, &TImgBtn::Click, this, &TMainForm::KorvexButClick);
    connect(RefreshEdit, &QLineEdit::editingFinished, this, &TMainForm::RefreshEditExit);
    Cycle().OnTimer = [this] { TimerTimer(); };
    Cycle().IsStretched = [this] { return Stretch; };
}
