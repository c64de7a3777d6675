#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class TImgBtn;
class THTTPGet;

// The custom cam dialog: adding and editing a custom cam, and suggesting it for the catalogue.
// Created hidden at start and reused. The dialog checks nothing: the caller fills the fields before
// `Execute` and turns their texts into cam fields afterwards.
class TCamForm : public QDialog {
    Q_OBJECT
public:
    explicit TCamForm(QWidget* parent = nullptr);

    // The current language, for the help page and a suggestion's body; the owner ties it to the
    // program's setting.
    std::function<int()> CurrentLanguage = [] { return 0; };

    // Shows the dialog modally; true when it was closed with OK, anything else counts as Cancel.
    bool Execute();

    // Captions for adding and for editing a custom cam, set by the language file.
    QString NewCaptionText;
    QString EditCaptionText;

    QLabel* MainImage = nullptr;

    QLabel* TitleLabel = nullptr;
    QLabel* URLLabel = nullptr;
    QLabel* DescriptionLabel = nullptr;
    QLabel* WebpageLabel = nullptr;
    QLabel* CountryLabel = nullptr;
    QLabel* RefreshLabel = nullptr;

    QLineEdit* TitleEdit = nullptr;
    QLineEdit* URLEdit = nullptr;
    QLineEdit* DescriptionEdit = nullptr;
    QLineEdit* WebpageEdit = nullptr;
    // The countries of the catalogue, filled by each catalogue reply and never cleared; the user
    // may pick one or type any text.
    QComboBox* CountryEdit = nullptr;
    QLineEdit* RefreshEdit = nullptr;

    TImgBtn* HelpBut = nullptr;
    TImgBtn* SuggestBut = nullptr;
    TImgBtn* OKBut = nullptr;
    TImgBtn* CancelBut = nullptr;

    // Posts suggestions to the catalogue server; one at a time, and it reports no failure.
    THTTPGet* Suggest = nullptr;

    void OKButClick() { done(Accepted); }
    void CancelButClick() { done(Rejected); }
    void HelpButClick();
    void SuggestButClick();
    void SuggestDoneString(THTTPGet* Sender, const QByteArray& Result);
    void FormKeyDown(int key);

Q_SIGNALS:
    // The catalogue server's answer to a suggestion: stored, or refused or never answered.
    void SuggestionAnswered(bool stored);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void CreateSuggest();
};
