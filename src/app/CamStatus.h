#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// What the tray tells about the active cam: live, with the time of its last picture; paused while
// "Active" is off; or failing once two refreshes in a row brought no picture (a single one may be a
// hiccup of the cam), since the first of them. Going into failing, and coming back out of it, is
// news worth a desktop notification; every other refresh is not.
class TCamStatus {
public:
    enum class TState { Waiting, Live, Paused, Failing };
    enum class TNews { None, StartedFailing, Back };

    // The language's words; "%1" and "%2" of Failing are the cam's host and the time.
    struct TTexts {
        QString Paused = QStringLiteral("Paused");
        QString Failing = QStringLiteral("Cannot reach %1 since %2");
    };
    TTexts Texts;

    // A cam was chosen: nothing is known about it yet.
    void SetCam(const QString& name, const QByteArray& url);
    void SetActive(bool active);
    TNews PictureInstalled(const QDateTime& at);
    TNews PictureFailed(const QDateTime& at);

    TState State() const;
    // The tray icon's tooltip: "Station Clock, London — 14:32", "Paused" or "Cannot reach
    // cams.example since 14:05"; the cam's name before its first picture, "Lumora" before any cam.
    QString Text() const;

private:
    QString m_name;
    QByteArray m_url;
    QString m_host;
    bool m_active = true;
    QDateTime m_lastPicture;
    QDateTime m_failingSince;
    int m_failuresInARow = 0;
};
