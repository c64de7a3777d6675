#include "core/picture/DecodedRows.h"

#include <algorithm>

namespace {

constexpr int StepBytes = 512 * 1024;

} // namespace

void TDecodedRows::Begin(const TPicture& picture) {
    const std::lock_guard lock(m_lock);
    BeginLocked(picture);
}

void TDecodedRows::BeginLocked(const TPicture& picture) {
    if (m_begun || m_finished || picture.IsNull())
        return;
    m_pixels = picture.Pixels.constData();
    m_width = picture.Width;
    m_height = picture.Height;
    m_step = std::max(1, StepBytes / int(picture.RowBytes()));
    m_begun = true;
    m_changed.notify_all();
}

void TDecodedRows::RowsDone(int rows) {
    // Only the decoder's own count is looked at for most rows, so that the lock is taken once a step.
    if (rows < m_announcedByDecoder + m_step && rows < m_height)
        return;
    m_announcedByDecoder = rows;
    const std::lock_guard lock(m_lock);
    if (!m_begun || m_finished)
        return;
    m_done = std::clamp(rows, m_done, m_height);
    m_changed.notify_all();
}

void TDecodedRows::Finish(const TPicture* decoded) {
    std::unique_lock lock(m_lock);
    if (m_finished)
        return;
    if (decoded)
        BeginLocked(*decoded);
    m_finished = true;
    m_failed = !decoded || !m_begun;
    if (!m_failed)
        m_done = m_height;
    m_changed.notify_all();
    if (m_failed)
        m_changed.wait(lock, [this] { return m_reading == 0; });
}

std::optional<TDecodedRows::TShape> TDecodedRows::WaitForBegin() {
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return m_begun || m_finished; });
    if (m_failed || !m_begun)
        return std::nullopt;
    return TShape{m_width, m_height};
}

int TDecodedRows::WaitForRowsBeyond(int have) {
    std::unique_lock lock(m_lock);
    m_changed.wait(lock,
                   [this, have] { return m_done > have || m_failed || (m_finished && m_done <= have); });
    if (m_failed || m_done <= have)
        return -1;
    ++m_reading;
    return m_done;
}

void TDecodedRows::LetGo() {
    const std::lock_guard lock(m_lock);
    --m_reading;
    m_changed.notify_all();
}

bool TDecodedRows::WaitForVerdict() {
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return m_finished; });
    return !m_failed;
}
