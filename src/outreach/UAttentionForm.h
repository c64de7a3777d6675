#pragma once

#include "core/RecordText.h"

#include <QDialog>
#include <QPixmap>
#include <QString>
#include <functional>

class QLabel;
class TImgBtn;

// The program's one notice dialog: the catalogue cannot be reached, a cam suggestion was taken or
// refused. Created hidden at start and reused; each notice fills in its text, background and
// buttons, runs the dialog modally and tells whether its positive button closed it.
class TAttentionForm : public QDialog {
    Q_OBJECT
public:
    // How a notice was closed. The close box and Alt+F4 count as Cancel.
    enum ModalResult { mrNone = 0, mrOK = 1, mrCancel = 2, mrRetry = 4 };

    explicit TAttentionForm(QWidget* parent = nullptr);

    // The current language, for the help pages; the owner ties it to the program's setting.
    std::function<int()> CurrentLanguage = [] { return 0; };

    // Each blocks until the notice is closed; timers and downloads go on meanwhile.
    bool ShowNoConnection();
    bool ShowSuggestionDone();
    bool ShowSuggestionFailed();

    // The notice texts; the shipped language file gives them at start.
    QString NoConnectionText;
    QString SuggestionDoneText;
    QString SuggestionFailText;

    QLabel* MainImage = nullptr;
    QLabel* AttentionImage = nullptr;
    QLabel* ThankYouImage = nullptr;
    QLabel* MessageLabel = nullptr;
    TImgBtn* RetryBut = nullptr;
    TImgBtn* CancelBut = nullptr;
    TImgBtn* OKBut = nullptr;
    TImgBtn* HelpBut = nullptr;

    void RetryButClick() { done(mrRetry); }
    void CancelButClick() { done(mrCancel); }
    void OKButClick() { done(mrOK); }
    void HelpButClick();
    void FormKeyDown(int key);

    // Skin ("attentionform" folder: the two notice backgrounds and the buttons) and texts.
    void LoadSkin(int language);
    void LoadTexts(const RecordText::Lines& lines);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Background { Attention, ThankYou };
    bool ShowNotice(const QString& text, Background background, bool offerRetry, ModalResult positive);
    void CreateControls();
    TImgBtn* CreateButton(const QString& skinName, int left, int width, const QString& hint);
};
