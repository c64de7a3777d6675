// The configuration window's controls in their designed places, with their built-in pictures and
// hints.
#include "app/UMainForm.h"
#include "catalogue/CamTree.h"
#include "catalogue/CamTreeView.h"
#include "widgets/BuiltinPictures.h"
#include "widgets/ImgBtn.h"
#include "widgets/Skins.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

// Its pictures come with the window's first show.
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

// Every control carries its designed name, and an accessible name from its caption or hint, so that
// tests, screen readers and automation find it without pixel positions.
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

} // namespace

void TMainForm::MakeControls() {
    if (ControlsMade())
        return;
    CreateControls();
    ConnectControlHandlers();
    StretchCheck->setChecked(Stretch);
    PlaceRightButtons(m_catalogueArrived);
    if (m_catalogueArrived)
        FillCountryBox();
    LoadPictures();
    LoadAppliedTexts();
    ApplyControlStates(m_controlStates);
}

void TMainForm::setVisible(bool visible) {
    if (visible)
        MakeControls();
    QWidget::setVisible(visible);
}

void TMainForm::CreateControls() {
    MainImage = new QLabel(this);
    MainImage->setGeometry(0, 0, 597, 398);
    MainImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    constexpr int Right = 475;
    OKBut = MakeButton(this, Right, 80,
                       QStringLiteral("Save & apply current settings and hide configuration window"));
    Applybut = MakeButton(this, Right, 109, QStringLiteral("Apply current settings"));
    CancelBut = MakeButton(this, Right, 138, QStringLiteral("Cancel current settings"));
    RestoreBut = MakeButton(this, Right, 167, QStringLiteral("Restore to last settings"));
    ShutdownBut = MakeButton(this, Right, 210, QStringLiteral("Shut down"));
    CamPageBut = MakeButton(this, Right, 239, QStringLiteral("Open current cam's homepage"));
    HelpBut = MakeButton(this, Right, 268, QStringLiteral("Open Lumora manual"));
    TellBut = MakeButton(this, Right, 339, QStringLiteral("Tell a friend about Lumora"));
    KorvexBut = MakeButton(this, Right, 368, QStringLiteral("Open Korvex Software homepage"));
    PlusBut = MakeButton(this, 15, 363, QStringLiteral("Add a new custom cam"));
    MinusBut = MakeButton(this, 40, 363, QStringLiteral("Delete current custom cam"));
    EditBut = MakeButton(this, 65, 363, QStringLiteral("Edit current custom cam"));

    // Right-aligned labels may grow to the left: the platform's font can be wider than the designed one.
    CountryLabel = MakeLabel(this, QStringLiteral("Country"), QRect(9, 114, 44, 13), Qt::AlignRight);
    CountryBox = new QComboBox(this);
    CountryBox->setGeometry(56, 111, 132, 21);
    CountryBox->setToolTip(QStringLiteral("Filter cam list by country"));
    CountryBox->addItem(QStringLiteral("All Countries"));

    TreeModel->SetImages(
        {BuiltinPicture(QStringLiteral("tree/collapsed")), BuiltinPicture(QStringLiteral("tree/expanded"))});
    TreeView = new TCamTreeView(this);
    TreeView->setGeometry(15, 138, 173, 221);
    TreeView->setModel(TreeModel);
    TreeView->setAccessibleName(QStringLiteral("Cams"));

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

    // These show the previewed cam and have no caption of their own.
    PreviewImage->setAccessibleName(QStringLiteral("Preview"));
    TitleLabel->setAccessibleName(QStringLiteral("Cam title"));
    DescriptionLabel->setAccessibleName(QStringLiteral("Cam description"));

    NameControls({{MainImage, "MainImage"},
                  {OKBut, "OKBut"},
                  {Applybut, "Applybut"},
                  {CancelBut, "CancelBut"},
                  {RestoreBut, "RestoreBut"},
                  {ShutdownBut, "ShutdownBut"},
                  {CamPageBut, "CamPageBut"},
                  {HelpBut, "HelpBut"},
                  {TellBut, "TellBut"},
                  {KorvexBut, "KorvexBut"},
                  {PlusBut, "PlusBut"},
                  {MinusBut, "MinusBut"},
                  {EditBut, "EditBut"},
                  {CountryLabel, "CountryLabel"},
                  {CountryBox, "CountryBox"},
                  {TreeView, "TreeView"},
                  {TitleLabel, "TitleLabel"},
                  {PreviewImage, "PreviewImage"},
                  {DescriptionLabel, "DescriptionLabel"},
                  {RefreshLabel, "RefreshLabel"},
                  {RefreshEdit, "RefreshEdit"},
                  {StretchLabel, "StretchLabel"},
                  {StretchCheck, "StretchCheck"}});

    for (QLabel* small : {CountryLabel, RefreshLabel, StretchLabel, DescriptionLabel}) {
        QFont font = small->font();
        font.setPixelSize(10);
        small->setFont(font);
    }
}

QList<Skins::TButtonSkin> TMainForm::SkinnedButtons() const {
    return {{"ok", OKBut},           {"apply", Applybut},       {"cancel", CancelBut},
            {"restore", RestoreBut}, {"shutdown", ShutdownBut}, {"camhomepage", CamPageBut},
            {"help", HelpBut},       {"tellafriend", TellBut},  {"korvex", KorvexBut},
            {"plus", PlusBut},       {"minus", MinusBut},       {"edit", EditBut}};
}

void TMainForm::LoadPictures() {
    MainImage->setPixmap(BuiltinPicture(QStringLiteral("mainform/background")));
    for (const Skins::TButtonSkin& entry : SkinnedButtons())
        LoadBuiltinButtonPictures(*entry.Button, QLatin1String(entry.SkinName));
    for (const int language : m_appliedLanguages)
        LoadSkin(language);
}

void TMainForm::PlaceRightButtons(bool catalogueArrived) {
    const int shift = catalogueArrived ? 13 : 0;
    ShutdownBut->move(475, 210 + shift);
    CamPageBut->move(475, 239 + shift);
    HelpBut->move(475, 268 + shift);
    TellBut->setVisible(catalogueArrived);
}

void TMainForm::ConnectHandlers() {
    Cycle().OnTimer = [this] { TimerTimer(); };
    Cycle().IsStretched = [this] { return Stretch; };
}

void TMainForm::ConnectControlHandlers() {
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
    connect(PlusBut, &TImgBtn::Click, this, &TMainForm::PlusButClick);
    connect(EditBut, &TImgBtn::Click, this, &TMainForm::EditButClick);
    connect(MinusBut, &TImgBtn::Click, this, &TMainForm::MinusButClick);
    connect(CountryBox, &QComboBox::activated, this, &TMainForm::CountryBoxChange);
    TreeView->CanSelect = [this](const QModelIndex& node) { return TreeViewChanging(node); };
    connect(TreeView, &TCamTreeView::MouseDown, this, &TMainForm::TreeViewMouseDown);
    connect(TreeView, &QTreeView::expanded, this, &TMainForm::TreeViewExpanded);
    connect(TreeView, &QTreeView::collapsed, this, &TMainForm::TreeViewCollapsed);
    connect(TreeView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!selected.indexes().isEmpty())
                    TreeViewChange(selected.indexes().first());
            });
}
