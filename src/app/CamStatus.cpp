#include "app/CamStatus.h"

#include <QLocale>
#include <QUrl>

namespace {

constexpr int FailuresBeforeFailing = 2;

// Hours and minutes as the user's language writes them; a refresh's seconds are noise here.
QString ClockTime(const QDateTime& at) {
    const QLocale locale;
    return locale.toString(at.time(), locale.timeFormat(QLocale::ShortFormat).remove(QLatin1String(":ss")));
}

} // namespace

void TCamStatus::SetCam(const QString& name, const QByteArray& url) {
    if (name == m_name && url == m_url)
        return;
    m_name = name;
    m_url = url;
    const QUrl address(QString::fromUtf8(url));
    m_host = address.host().isEmpty() ? QString::fromUtf8(url) : address.host();
    m_lastPicture = {};
    m_failingSince = {};
    m_failuresInARow = 0;
}

void TCamStatus::SetActive(bool active) {
    m_active = active;
}

TCamStatus::TNews TCamStatus::PictureInstalled(const QDateTime& at) {
    const bool wasFailing = State() == TState::Failing;
    m_lastPicture = at;
    m_failuresInARow = 0;
    m_failingSince = {};
    return wasFailing ? TNews::Back : TNews::None;
}

TCamStatus::TNews TCamStatus::PictureFailed(const QDateTime& at) {
    const bool wasFailing = State() == TState::Failing;
    if (m_failuresInARow++ == 0)
        m_failingSince = at;
    return !wasFailing && State() == TState::Failing ? TNews::StartedFailing : TNews::None;
}

TCamStatus::TState TCamStatus::State() const {
    if (!m_active)
        return TState::Paused;
    if (m_failuresInARow >= FailuresBeforeFailing)
        return TState::Failing;
    return m_lastPicture.isValid() ? TState::Live : TState::Waiting;
}

QString TCamStatus::Text() const {
    switch (State()) {
    case TState::Paused:
        return Texts.Paused;
    case TState::Failing:
        return Texts.Failing.arg(m_host, ClockTime(m_failingSince));
    case TState::Live:
        return m_name + QStringLiteral(" \u2014 ") + ClockTime(m_lastPicture);
    case TState::Waiting:
        break;
    }
    return m_name.isEmpty() ? QStringLiteral("Lumora") : m_name;
}
