#pragma once

#include <QByteArray>
#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class THTTPGet;
class TEmbeddedWB;
class TImgBtn;

// The server messages window: after a catalogue reply, asks the catalogue server for its current
// message and shows its page once, unless the user turned that message or all messages away.
// Modeless and on top; created hidden at start and reused for the whole run.
class TMForm : public QWidget {
    Q_OBJECT
public:
    explicit TMForm(QWidget* parent = nullptr);

    // The current language, for the help pages; the owner ties it to the program's setting.
    std::function<int()> CurrentLanguage = [] { return 0; };

    // The refid of the message last read from a reply (0: none) and the address of its page.
    qint32 CurrentRefId = 0;
    QByteArray CurrentUrl;
    // The "show messages" setting the user chose when OK was last pressed.
    bool ShowMessagesChoice = true;

    // Asks the server for its current message in the given language; returns at once.
    void RequestMessage(int language);
    void MGetDoneString(THTTPGet* Sender, const QByteArray& Result);
    void MGetError(THTTPGet* Sender);
    void OKButClick();
    void HelpButClick();
    void FormKeyDown(int key);

    // Where the refids turned away for good are listed.
    static QString SuppressedMessagesPath();

    TEmbeddedWB* Web = nullptr;
    QWidget* Panel1 = nullptr;
    QLabel* MainImage = nullptr;
    TImgBtn* HelpBut = nullptr;
    QCheckBox* NoBox = nullptr;
    QLabel* noshow_message = nullptr;
    QCheckBox* NoAllBox = nullptr;
    QLabel* noshowall_message = nullptr;
    TImgBtn* OKBut = nullptr;
    THTTPGet* MGet = nullptr;

Q_SIGNALS:
    // Fired by OK after ShowMessagesChoice is set; the main window saves the choice.
    void OnShowMessagesChange(TMForm* Sender);

private:
    void CreateControls();
};
